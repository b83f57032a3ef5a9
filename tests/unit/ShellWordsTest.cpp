// Command lines split into words as a shell splits them, with nothing expanded.
#include "open/ShellWords.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ShellWords, SplitsAsAShellWouldWithoutExpanding)
{
    const struct {
        const char* line;
        std::vector<const char*> words;
    } cases[] = {
        {"", {}},
        {"   ", {}},
        {"viewer %1", {"viewer", "%1"}},
        {"  a\tb \n c ", {"a", "b", "c"}},
        {"\"/opt/My Tools/view\" --open \"%1\"", {"/opt/My Tools/view", "--open", "%1"}},
        {"'it''s' \"a \\\"quote\\\" and \\\\ and \\n\"", {"its", "a \"quote\" and \\ and \\n"}},
        {"a\\ b c\\\\d", {"a b", "c\\d"}},
        {"'$HOME' ~ *.txt $(rm -rf x)", {"$HOME", "~", "*.txt", "$(rm", "-rf", "x)"}},
        {"''", {""}},
        {"\"unterminated quote", {"unterminated quote"}},
        {"tail\\", {"tail"}},
    };
    for (const auto& entry : cases) {
        QStringList words;
        for (const char* word : entry.words)
            words << QString::fromUtf8(word);
        EXPECT_EQ(ShellWords::split(QString::fromUtf8(entry.line)), words) << entry.line;
    }
}

}  // namespace
