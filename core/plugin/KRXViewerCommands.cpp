#include "plugin/KRXViewerCommands.h"

#include "platform/CriticalSection.h"

namespace {
CCriticalSection handlerSection;
CKRXViewerCommands::Handler commandHandler;
} // namespace

CKRXViewerCommands::Handler CKRXViewerCommands::SetHandler(Handler handler)
{
    CSingleLock lock(&handlerSection, true);
    std::swap(commandHandler, handler);
    return handler;
}

void CKRXViewerCommands::Send(Command command)
{
    Handler handler;
    {
        CSingleLock lock(&handlerSection, true);
        handler = commandHandler;
    }
    // Outside the lock: a handler may set another.
    if (handler)
        handler(command);
}

bool CKRXViewerCommands::FromCharacter(char32_t character, Command& command)
{
    if (character >= U'0' && character <= U'9') {
        command = Command(Digit0 + int(character - U'0'));
        return true;
    }
    switch (character) {
    case U'+':
    case U'=': // "+" without shift on most layouts
        command = VolumeUp;
        return true;
    case U'-':
        command = VolumeDown;
        return true;
    case U'm':
        command = ToggleMute;
        return true;
    case U'a':
        command = NextSoundtrack;
        return true;
    case U's':
        command = NextSubtitles;
        return true;
    case U'i':
        command = ToggleInfo;
        return true;
    default:
        return false;
    }
}
