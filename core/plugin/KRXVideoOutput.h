#pragma once
// Where display plug-ins put the pictures they present: a window, a
// YUV4MPEG2 file of exactly the frames a viewer would have seen, or nowhere
// (still paced and counted). The front end chooses before it opens a display;
// a display reads the choice when it is opened.
#include "platform/CString.h"

class CKRXVideoOutput
{
public:
    enum Kind { Window, Y4M, None };

    static void Set(Kind kind, const CString& path = CString());
    static Kind GetKind();
    // The file of a Y4M output.
    static CString GetPath();
    // Where a window opens on the screen (its top left), so that the front
    // end can keep it off its own window; false until set.
    static void SetWindowPlace(int x, int y);
    static bool GetWindowPlace(int& x, int& y);

    // What the front end asks of the window's full screen; the window carries
    // it out on its own thread the next time it looks, and a window that
    // opens later forgets what was asked before it.
    enum FullScreenRequest { NoRequest, ToggleFullScreen, LeaveFullScreen };
    static void RequestFullScreen(FullScreenRequest request);
    // The last request since the previous call, or NoRequest.
    static FullScreenRequest TakeFullScreenRequest();
};
