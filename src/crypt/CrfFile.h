#pragma once

#include "platform/FsError.h"

#include <QString>

class JobContext;
namespace platform {
class FileSystem;
class OpenFolder;
}  // namespace platform

// Encrypting a file into the ".crf" format and back (see CrfFormat), on a job's worker thread
// or anywhere else. Nothing that looks whole is incomplete: the output is written to a file
// without a name, put on the disk, and only then named (in place of an older file, when the
// caller says so), so a failure, a Cancel or a crash leaves every existing file as it was.
// A wrong password is found before anything is written. Widget-free.
class CrfFile {
public:
    enum class Outcome {
        Done,
        Stopped,        // the job was cancelled
        WrongPassword,  // the check block does not decrypt to its text
        NotEncrypted,   // the header is damaged, or it is no ".crf" file at all
        DamagedData,    // the encrypted data is not whole blocks, or its padding is wrong
        NoCipher,       // OpenSSL offers no Triple DES or no MD5
        FileError,      // reading or writing failed; `error` says why
    };
    struct Result {
        Outcome outcome = Outcome::Done;
        platform::FsError error = platform::FsError::None;
        QString storedName;  // the name a ".crf" file holds (checkPassword, decrypt)
    };

    // Encrypts the regular file `source` of `from` into the new file `output` of `to`, which
    // takes the place of an existing one only with `replace`. `context` (may be null) gets
    // the progress and the stop flag.
    static Result encrypt(platform::FileSystem& fileSystem, const platform::OpenFolder& from, const QString& source,
                          const platform::OpenFolder& to, const QString& output, const QString& password, bool replace,
                          JobContext* context);

    // Reads the header of the ".crf" file `name` and checks the password against its check
    // block: Done (with the stored name), WrongPassword, NotEncrypted, or why it could not be
    // read.
    static Result checkPassword(platform::FileSystem& fileSystem, const platform::OpenFolder& folder,
                                const QString& name, const QString& password);

    // Decrypts the ".crf" file `encrypted` of `from` into `output` of `to` (as encrypt). The
    // password is checked again first: the file may have changed since checkPassword.
    static Result decrypt(platform::FileSystem& fileSystem, const platform::OpenFolder& from, const QString& encrypted,
                          const platform::OpenFolder& to, const QString& output, const QString& password, bool replace,
                          JobContext* context);

    // The size of the pieces a file is read in: whole cipher blocks, large enough that the
    // cipher, not the calls around it, sets the pace, and small enough that a Cancel is
    // honoured within a large file at once.
    static constexpr qint64 Piece = 256 * 1024;
};
