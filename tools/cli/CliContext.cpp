#include "CliContext.h"

int KRXCliContext::Fail(const CString& message) const
{
    err << "korrix-cli: " << message << "\n";
    return KRX_CLI_FAILED;
}

int KRXCliContext::Misused(const CString& message) const
{
    err << "korrix-cli: " << message << " (try 'korrix-cli help')\n";
    return KRX_CLI_MISUSED;
}
