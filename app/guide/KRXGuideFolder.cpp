#include "KRXGuideFolder.h"

#include "platform/DebugOutput.h"
#include "platform/ProgramFolder.h"

#include <filesystem>

namespace fs = std::filesystem;

bool CanWriteGuideExport(const CString& folder)
{
    const CString epg = folder + "epg";
    const CString xml = epg + "/epg.xml";
    std::error_code error;
    if (!fs::is_directory(epg, error) || !MayWrite(epg))
        return false;
    // A stale export left by another user would be kept, not rewritten.
    return !fs::exists(xml, error) || MayWrite(xml);
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
    return PrepareGuideFolder(GetProgramFolder(), GetUserDataFolder());
}
