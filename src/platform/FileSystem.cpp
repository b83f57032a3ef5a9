#include "platform/FileSystem.h"

namespace platform {

bool FileSystem::exists(const QString& path)
{
    FindData found;
    return lookUp(path, found) == FsError::None;
}

}  // namespace platform
