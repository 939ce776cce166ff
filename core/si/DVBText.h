#pragma once
// Texts of the service information (provider and service names, event titles
// and descriptions) are kept as the broadcast's bytes: an optional
// character-table selector, then the text in that table with the broadcast's
// control codes. Everything a person reads is decoded here first.
#include "platform/CString.h"

// The text as UTF-8. Without a selector the text is in the default Latin
// table (ISO 6937 with the euro sign); selectors pick ISO 8859 parts, UCS-2,
// the Korean, simplified and traditional Chinese tables or UTF-8; unknown
// selectors fall back to the default table. The emphasis codes are dropped,
// the line-break code becomes '\n' and the other broadcast control codes are
// dropped; other control characters stay for the caller to present. A
// character that cannot be decoded reads U+FFFD; a multi-byte character cut
// short by the end of the field is dropped.
CString DVBTextToUTF8(const CString& raw);
