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
        int channelNumber; // the NIT's logical channel number, or -1
        bool visible; // false for services the broadcaster would not list
    };

    // What one update did to one row.
    enum : unsigned {
        Inserted = 1,
        NameChanged = 2,
        TypeChanged = 4,
        NowShowingChanged = 8,
        NumberChanged = 16, // its channel number or visibility
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
    // The rows as a list shows them: by channel number, then those without
    // one by name (as a person reads it, whatever its case), the first heard
    // of first where these are equal.
    std::vector<int> GetListOrder() const;

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
