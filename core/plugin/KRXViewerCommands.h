#pragma once
// What the user asks of the viewer with a key, wherever it was pressed. The
// video window runs on the display's thread and knows nothing of the front
// end: it sends the command here, and the front end's handler carries it out
// (on its own thread, if it posts it there). The main window maps the same
// keys onto the same commands, so both answer alike.
#include <functional>

class CKRXViewerCommands
{
public:
    // Of a fixed type, so that Digit0 + n is a value of it.
    enum Command : int {
        VolumeUp,
        VolumeDown,
        ToggleMute,
        PreviousService,
        NextService,
        NextSoundtrack,
        NextSubtitles,
        ToggleInfo,
        // The video window's close box: the picture goes until a service is chosen again.
        CloseVideo,
        Enter,
        // Marks the service watched as a favourite, or no longer.
        ToggleFavourite,
        Digit0, // Digit0 + n for the digit n
    };
    using Handler = std::function<void(Command)>;

    // An empty handler drops the commands; the previous handler is returned.
    static Handler SetHandler(Handler handler);
    // Calls the handler on the caller's thread.
    static void Send(Command command);
    // The command of a character key both windows answer; false for others.
    static bool FromCharacter(char32_t character, Command& command);
};
