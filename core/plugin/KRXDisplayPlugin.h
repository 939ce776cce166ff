#pragma once
// A plug-in that makes video displays; each display it opens it also closes.
#include "plugin/KRXPlugin.h"

class CDVBDisplay;

class CKRXDisplayPlugin : public CKRXPlugin
{
public:
    int GetType() override { return KRX_PLUGIN_DISPLAY; }
    virtual CDVBDisplay* OpenDisplay(int /*width*/, int /*height*/) { return nullptr; }
    virtual bool CloseDisplay(CDVBDisplay*) { return false; }
};
