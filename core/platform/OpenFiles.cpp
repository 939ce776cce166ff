#include "platform/OpenFiles.h"

#include <dirent.h>
#include <sys/stat.h>

bool IsFileOpenInThisProcess(const CString& path)
{
    struct stat file;
    if (stat(path.c_str(), &file) != 0)
        return false;
    DIR* descriptors = opendir("/proc/self/fd");
    if (descriptors == nullptr)
        return false;
    bool open = false;
    while (const dirent* entry = readdir(descriptors)) {
        struct stat opened;
        const CString link = CString("/proc/self/fd/") + entry->d_name;
        if (entry->d_name[0] != '.' && stat(link.c_str(), &opened) == 0 && opened.st_dev == file.st_dev
            && opened.st_ino == file.st_ino) {
            open = true;
            break;
        }
    }
    closedir(descriptors);
    return open;
}
