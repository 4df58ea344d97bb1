#include "ctl_run.h"

#include "base/mlog.h"
#include "ctl_args.h"
#include "ctl_cards.h"
#include "ctl_library.h"
#include "ctl_service.h"
#include "ctl_sound.h"
#include "ctl_store.h"
#include "ipc/ipc.h"
#include "ipc/pnipc_cli.h"

namespace voxwarpctl {

std::unique_ptr<IPC> CtlConnector::Connect(const std::string& base) {
    auto channel = std::make_unique<IPC>(base);
    if (!channel->Open())
        return nullptr;
    return channel;
}

int RunCtl(const std::vector<std::string>& args, CtlConnector& connector, AppConfig& config,
           std::ostream& out, std::ostream& err) {
    // The sound server commands work without the voice server.
    if (!args.empty() && IsSoundCommand(args[0]))
        return RunSoundCommand(args, CurrentSoundSystem(), out, err);
    // So do the library commands, on the program folder.
    if (!args.empty() && IsLibraryCommand(args[0]))
        return RunLibraryCommand(args, config, out, err);
    // And the sound card choice, on the configuration.
    if (!args.empty() && IsCardsCommand(args[0]))
        return RunCardsCommand(args, config, CurrentSoundSystem(), out, err);
    // And the service commands.
    if (!args.empty() && IsServiceCommand(args[0]))
        return RunServiceCommand(args, DefaultServerCommand(), config, out, err);
    CtlInvocation invocation = ParseCtlArgs(args);
    switch (invocation.kind) {
    case CtlInvocation::Kind::Help:
        out << CtlHelpText();
        return kExitDone;
    case CtlInvocation::Kind::Invalid:
        err << "voxwarpctl: " << invocation.error << "\n";
        return kExitBadArgs;
    case CtlInvocation::Kind::Send:
        break;
    }

    LogNote("voxwarpctl: %s (channel \"%s\")", invocation.command->words, invocation.base.c_str());
    std::unique_ptr<IPC> channel = connector.Connect(invocation.base);
    if (!channel) {
        err << "voxwarpctl: the voice server is not running\n";
        return kExitNoServer;
    }
    PnIpcCli client(channel.get());
    std::string answer;
    bool answered = SendCtlCommand(client, invocation.command->code, invocation.values, answer);
    channel->Close();
    if (!answered) {
        err << "voxwarpctl: the voice server did not answer\n";
        return kExitNoServer;
    }
    out << answer;
    out.flush();
    // What the server now does is kept for its next reload, as the control panel keeps it.
    if (!StoreCtlChange(invocation.command->code, invocation.values, config, err))
        return kExitLibrary;
    return kExitDone;
}

} // namespace voxwarpctl
