#pragma once
// The rows of the main window's service list, kept in step with the service
// information as it arrives: one row per programme, in the order they were
// first heard of, changed in place and only where something changed, so a
// list view showing them never flickers nor shows a service twice.
#include "platform/CString.h"

#include <vector>

class CDVBProgram;

class CKRXServiceRows
{
public:
    struct Row {
        unsigned short programNumber;
        CString name; // UTF-8
        int type; // DVB_SERVICE_*: the image of the row
        CString nowShowing; // UTF-8, on one line
    };

    // What one update did to one row.
    enum : unsigned {
        Inserted = 1,
        NameChanged = 2,
        TypeChanged = 4,
        NowShowingChanged = 8,
    };
    struct Change {
        int row;
        unsigned what; // the bits above; 0 when nothing changed
    };

    // Brings the programme's row up to date, adding it at the end when it is
    // new. The caller holds the lock of the list the programme belongs to.
    Change Update(CDVBProgram& program);
    void Clear() { m_rows.clear(); }

    const std::vector<Row>& GetRows() const { return m_rows; }
    // The row of the programme, or -1.
    int Find(unsigned short programNumber) const;

    // The name as a person reads it, decoded.
    static CString GetServiceName(const CDVBProgram& program);
    // The running event's title and description, decoded, on one line; empty
    // without a running event.
    static CString GetNowShowing(CDVBProgram& program);
    // The tip shown over a service: its name, the running event's title,
    // start and duration, and its description laid out for reading.
    static CString GetInfoTip(CDVBProgram& program);

private:
    std::vector<Row> m_rows;
};
