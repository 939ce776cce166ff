#pragma once
// A channel scan an input plug-in runs and a scan dialog (or the command line)
// shows: it advances on a timer, says what it is doing, how far it has come and
// what it has found, and on OK adds what it found to its plug-in's list.
#include "platform/CString.h"

#include <vector>

class CKRXScanJob
{
public:
    virtual ~CKRXScanJob() = default;
    // How often Tick wants to be called.
    virtual unsigned GetTickMilliseconds() const = 0;
    // One step; does not block for longer than a tick.
    virtual void Tick() = 0;
    virtual bool IsDone() const = 0;
    virtual CString GetStatusText() const = 0;
    virtual int GetProgressRange() const = 0;
    virtual int GetProgressPosition() const = 0;
    virtual std::vector<CString> GetColumnNames() const = 0;
    // One row of cells per find, in the order found.
    virtual std::vector<std::vector<CString>> GetFoundRows() const = 0;
    // Adds a definition per find to the plug-in (OK).
    virtual void Commit() = 0;
};
