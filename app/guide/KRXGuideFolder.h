#pragma once
// Where the guide page and the collector's export live together. The page
// reads "epg.xml" beside itself, so both must share one folder the user can
// write: the program folder's epg/ when it is writable (a build or a
// per-user install), otherwise a per-user copy of the page.
#include "platform/CString.h"

// True when folder + "epg/" is a folder this process can write epg.xml into.
bool CanWriteGuideExport(const CString& folder);

// The folder (ending with '/') whose epg/ holds the page and the export:
// the program folder when its epg/ is writable; otherwise the user folder,
// after making its epg/ and copying the program's page into it. Falls back
// to the program folder when the user folder cannot be prepared either (the
// export is then simply not written).
CString PrepareGuideFolder(const CString& programFolder, const CString& userFolder);

// PrepareGuideFolder for the running program and the current user.
CString PrepareGuideFolder();
