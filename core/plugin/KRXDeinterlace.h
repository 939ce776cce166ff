#pragma once
// How interlaced pictures are shown: the front end chooses (the command line,
// the program's setting and toggle), every video decoder reads the choice for
// each picture, so a change takes effect at the next one.
//   Auto   the pictures the stream marks as interlaced, with bwdif;
//   Off    no picture is filtered;
//   Bwdif, Yadif  every picture, with that filter, for streams that mark
//          interlaced pictures as progressive.
#include "platform/CString.h"

class CKRXDeinterlace
{
public:
    enum Mode { Auto, Off, Bwdif, Yadif };

    static void Set(Mode mode);
    static Mode Get();
    // The mode's name as the user gives it: auto, off, bwdif or yadif.
    static const char* GetName(Mode mode);
    // False when the text names no mode.
    static bool Parse(const CString& text, Mode& mode);
};
