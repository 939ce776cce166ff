#include "platform/ProgramFolder.h"

#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CString GetProgramFolder()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return "./";
    CString folder(path, static_cast<size_t>(length));
    const size_t slash = folder.rfind('/');
    return slash == CString::npos ? CString("./") : folder.substr(0, slash + 1);
}

CString GetUserDataFolder(const char* dataHome, const char* home)
{
    if (dataHome != nullptr && dataHome[0] == '/')
        return CString(dataHome) + "/korrix/";
    return CString(home != nullptr ? home : "") + "/.local/share/korrix/";
}

CString GetUserDataFolder()
{
    return GetUserDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

bool MayWrite(const CString& path)
{
    struct stat status;
    if (stat(path.c_str(), &status) != 0)
        return false;
    const int mode = S_ISDIR(status.st_mode) ? W_OK | X_OK : W_OK;
    return faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
}

CString ChooseUserFilesFolder(const CString& programFolder, const CString& userFolder)
{
    return MayWrite(programFolder) ? programFolder : userFolder;
}
