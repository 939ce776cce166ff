#pragma once
// The subcommands of korrix-cli. Each lives in a file of its own and is
// listed once in CliCommands.cpp.
#include "CliContext.h"

#include <vector>

using KRXCliArguments = std::vector<CString>;

struct KRXCliCommand {
    const char* name;
    const char* usage;
    const char* summary;
    // Runs the command on the arguments after its name; returns the exit status.
    int (*run)(const KRXCliArguments& arguments, KRXCliContext& context);
};

const std::vector<KRXCliCommand>& GetCliCommands();

// Runs a whole command line (without the program's name).
int RunKorrixCli(const KRXCliArguments& arguments, KRXCliContext& context);

int RunPluginsCommand(const KRXCliArguments& arguments, KRXCliContext& context);
int RunPlayCommand(const KRXCliArguments& arguments, KRXCliContext& context);
int RunServicesCommand(const KRXCliArguments& arguments, KRXCliContext& context);
int RunEpgCommand(const KRXCliArguments& arguments, KRXCliContext& context);
int RunDevicesCommand(const KRXCliArguments& arguments, KRXCliContext& context);
int RunScanCommand(const KRXCliArguments& arguments, KRXCliContext& context);
int RunTeletextCommand(const KRXCliArguments& arguments, KRXCliContext& context);
int RunTimersCommand(const KRXCliArguments& arguments, KRXCliContext& context);
int RunRecorderCommand(const KRXCliArguments& arguments, KRXCliContext& context);
