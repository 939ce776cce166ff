#include "KRXGuideFolder.h"

#include "platform/DebugOutput.h"
#include "platform/ProgramFolder.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

CString GetUserGuideFolder(const char* dataHome, const char* home)
{
    // Relative values are ignored, as the base directory rules require.
    if (dataHome != nullptr && dataHome[0] == '/')
        return CString(dataHome) + "/korrix/";
    return CString(home != nullptr ? home : "") + "/.local/share/korrix/";
}

namespace {
// As the process's effective user, which is who writes the export.
bool MayAccess(const CString& path, int mode)
{
    return faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
}
} // namespace

bool CanWriteGuideExport(const CString& folder)
{
    const CString epg = folder + "epg";
    const CString xml = epg + "/epg.xml";
    std::error_code error;
    if (!fs::is_directory(epg, error) || !MayAccess(epg, W_OK | X_OK))
        return false;
    // A stale export left by another user would be kept, not rewritten.
    return !fs::exists(xml, error) || MayAccess(xml, W_OK);
}

namespace {
bool CopyPage(const CString& programFolder, const CString& userFolder)
{
    std::error_code error;
    fs::create_directories(userFolder + "epg", error);
    if (error)
        return false;
    // Always refreshed, so a newer program brings its newer page along.
    fs::copy_file(
        programFolder + "epg/epg.html", userFolder + "epg/epg.html", fs::copy_options::overwrite_existing, error);
    return !error && CanWriteGuideExport(userFolder);
}
} // namespace

CString PrepareGuideFolder(const CString& programFolder, const CString& userFolder)
{
    if (CanWriteGuideExport(programFolder))
        return programFolder;
    if (CopyPage(programFolder, userFolder))
        return userFolder;
    DebugOutput("Guide folder " + userFolder + "epg/ cannot be prepared; the guide stays empty.\n");
    return programFolder;
}

CString PrepareGuideFolder()
{
    return PrepareGuideFolder(
        GetProgramFolder(), GetUserGuideFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME")));
}
