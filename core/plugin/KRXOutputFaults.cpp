#include "plugin/KRXOutputFaults.h"

#include "platform/CriticalSection.h"

#include <algorithm>

namespace {
CCriticalSection faultSection;
std::vector<CKRXOutputFaults::Fault> pending;
} // namespace

void CKRXOutputFaults::Report(const CString& path, const CString& cause)
{
    CSingleLock lock(&faultSection, true);
    const auto samePath = [&path](const Fault& fault) { return fault.path == path; };
    if (std::none_of(pending.begin(), pending.end(), samePath))
        pending.push_back({ path, cause });
}

std::vector<CKRXOutputFaults::Fault> CKRXOutputFaults::Take()
{
    CSingleLock lock(&faultSection, true);
    std::vector<Fault> taken;
    taken.swap(pending);
    return taken;
}

CString CKRXOutputFaults::Describe(const Fault& fault)
{
    return "cannot write '" + fault.path + "': " + fault.cause + "; it holds only what was written before";
}
