#pragma once
// Where the audio decoder sends the sound it releases: the sound device, a
// WAV file holding exactly the PCM released to the device, or nowhere (still
// paced on the programme clock). The front end chooses before it opens a
// service; the decoder reads the choice when it creates its device.
#include "platform/CString.h"

class CKRXAudioOutput
{
public:
    enum Kind { Device, Wav, None };

    static void Set(Kind kind, const CString& path = CString());
    static Kind GetKind();
    // The file of a Wav output.
    static CString GetPath();
};
