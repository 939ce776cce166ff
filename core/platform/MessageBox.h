#pragma once
// Modal message boxes. The application installs a handler that shows the box
// on its user-interface thread; without one the text goes to standard error
// and the default button is the answer.
#include "platform/CString.h"

#include <functional>

// Button sets and icons (combine one of each).
enum : unsigned {
    KRX_MB_OK = 0x00,
    KRX_MB_OKCANCEL = 0x01,
    KRX_MB_YESNOCANCEL = 0x03,
    KRX_MB_YESNO = 0x04,
    KRX_MB_ICONERROR = 0x10,
    KRX_MB_ICONQUESTION = 0x20,
    KRX_MB_ICONWARNING = 0x30,
    KRX_MB_ICONINFORMATION = 0x40,
    KRX_MB_DEFBUTTON2 = 0x100,
};
// Answers.
enum : int { KRX_IDOK = 1, KRX_IDCANCEL = 2, KRX_IDYES = 6, KRX_IDNO = 7 };

using MessageBoxHandler = std::function<int(const CString& text, const CString& caption, unsigned type)>;

int KRXMessageBox(const CString& text, const CString& caption, unsigned type = KRX_MB_OK);
// The answer a box of this type gives when nobody is there to click.
int DefaultMessageBoxAnswer(unsigned type);
// Replaces the handler; an empty function restores the default. Returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
