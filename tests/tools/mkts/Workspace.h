#pragma once
// A temporary folder for one test, removed with everything in it afterwards.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <vector>

class Workspace
{
public:
    Workspace()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "mkts-test-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("no temporary folder");
        m_folder = pattern;
    }
    ~Workspace() { std::filesystem::remove_all(m_folder); }

    std::filesystem::path Path(const std::string& name) const { return m_folder / name; }
    void WriteText(const std::string& name, const std::string& text) const { std::ofstream(Path(name)) << text; }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // Runs a shell command; returns its exit status and what it wrote to
    // standard error.
    std::pair<int, std::string> Shell(const std::string& command) const
    {
        int status = std::system((command + " >/dev/null 2>" + Path("stderr.txt").string()).c_str());
        std::ifstream errors(Path("stderr.txt"));
        std::string text((std::istreambuf_iterator<char>(errors)), std::istreambuf_iterator<char>());
        std::filesystem::remove(Path("stderr.txt"));
        return { WIFEXITED(status) ? WEXITSTATUS(status) : -1, text };
    }

private:
    std::filesystem::path m_folder;
};
