#include "platform/ProgramFolder.h"

#include <climits>
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
