#pragma once

#include "TempFolder.h"
#include "main/FileCipher.h"
#include "main/InPlaceCipher.h"

#include <gtest/gtest.h>

namespace velarium::test {

class InPlaceCipherTest : public ::testing::Test
{
protected:
    std::string encrypted(std::string_view plain, std::string_view password)
    {
        writeFile(scratch / "plain", plain);
        FileCipher(scratch / "plain", scratch / "expected", password, true);
        return readFile(scratch / "expected");
    }

    void run(const std::filesystem::path& chosen, CipherDirection direction,
             std::string_view password)
    {
        InPlaceCipher job(program.path(), chosen, direction);
        job.writeProcessedCopy(password);
        job.replaceChosenFile();
    }

    bool programFolderIsEmpty() const { return std::filesystem::is_empty(program.path()); }

    TempFolder program;
    TempFolder files;
    TempFolder scratch;
};

} // namespace velarium::test
