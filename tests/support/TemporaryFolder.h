#pragma once
// A fresh folder under the system's temporary folder, removed with everything
// in it when the test is done.
#include "platform/CString.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

class TemporaryFolder
{
public:
    TemporaryFolder()
    {
        const std::filesystem::path base = std::filesystem::temp_directory_path() / "korrix-test-XXXXXX";
        CString pattern = base.string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        m_path = pattern + "/";
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    // The folder, ending with '/'.
    const CString& Path() const { return m_path; }
    CString File(const CString& name) const { return m_path + name; }

    CString Write(const CString& name, const CString& content) const
    {
        std::ofstream(File(name), std::ios::binary) << content;
        return File(name);
    }
    CString Read(const CString& name) const
    {
        std::ifstream in(File(name), std::ios::binary);
        return CString(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    CString m_path;
};
