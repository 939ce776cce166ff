#include "platform/MessageBox.h"

#include <cstdio>
#include <mutex>

namespace {
std::mutex g_handlerLock;
MessageBoxHandler g_handler;
} // namespace

int DefaultMessageBoxAnswer(unsigned type)
{
    const bool second = (type & KRX_MB_DEFBUTTON2) != 0;
    switch (type & 0x0F) {
    case KRX_MB_OKCANCEL:
        return second ? KRX_IDCANCEL : KRX_IDOK;
    case KRX_MB_YESNO:
    case KRX_MB_YESNOCANCEL:
        return second ? KRX_IDNO : KRX_IDYES;
    default:
        return KRX_IDOK;
    }
}

int KRXMessageBox(const CString& text, const CString& caption, unsigned type)
{
    MessageBoxHandler handler;
    {
        std::lock_guard<std::mutex> hold(g_handlerLock);
        handler = g_handler;
    }
    if (handler)
        return handler(text, caption, type);
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return DefaultMessageBoxAnswer(type);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    std::lock_guard<std::mutex> hold(g_handlerLock);
    MessageBoxHandler previous = std::move(g_handler);
    g_handler = std::move(handler);
    return previous;
}
