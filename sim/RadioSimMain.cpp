// radio-sim: the radio's firmware loader on a pseudo-terminal. Prints the terminal's path as its
// first line, serves until SIGINT/SIGTERM (or, with --once, until its first dialogue has ended),
// then reports on stderr how the dialogue ended and whether the Updater's traffic passed the
// loader's checks.

#include <pthread.h>

#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <string>

#include "sim/RadioSimulator.h"
#include "sim/SimOptionText.h"

namespace {

using updater::sim::SimOptions;

struct Texts {
    std::string model = "MQA6635 ";
    std::string tag = std::string(32, '0');
    std::string version = "V2.00.01";
    bool noVersion = false;
    std::string dump;
    std::string received;
};

void AddEventFault(CLI::App& app, const std::string& name, updater::sim::EventFault& fault,
                   const std::string& help) {
    app.add_option_function<std::string>(
           name,
           [&fault, name](const std::string& text) {
               const auto parsed = updater::sim::EventFaultFromText(text);
               if (!parsed) throw CLI::ValidationError(name, "unknown event or count: " + text);
               fault = *parsed;
           },
           help)
        ->type_name("EVENT[:N]");
}

void AddOptions(CLI::App& app, SimOptions& options, Texts& texts) {
    app.add_option("--speed", options.listenSpeed, "Speed the loader listens at for the request")
        ->check(CLI::IsMember({1200, 2400, 4800, 9600, 19200, 38400, 57600}))
        ->capture_default_str();
    app.add_option("--stop-bits", options.stopBits,
                   "Stop bits the connection request must use (default: either)")
        ->check(CLI::IsMember({1, 2}));
    app.add_option("--model", texts.model,
                   "Model code: text padded with blanks to 8 characters, then 0xFF bytes")
        ->capture_default_str();
    app.add_option("--tag", texts.tag, "Tag of the radio's top area, 32 hex digits")
        ->capture_default_str();
    auto* version = app.add_option("--version", texts.version, "Firmware version the radio reports")
                        ->capture_default_str();
    app.add_flag("--no-version", texts.noVersion, "Report no version (16 bytes 0xFF)")
        ->excludes(version);
    app.add_flag(
        "--no-wire-time", [&options](std::int64_t) { options.modelWireTime = false; },
        "Answer at once instead of at the pace of a real line");
    app.add_option("--dump", texts.dump, "Write the received memory to this file at the end");
    app.add_option("--received", texts.received,
                   "Write every byte received from the Updater to this file as it arrives");
    app.add_flag("--once", options.once,
                 "Exit after the first dialogue, however it ends (the Updater closes the port, "
                 "or a fault or hang-up ends it)");

    auto& f = options.faults;
    app.add_flag("--no-syn", f.noSyn, "Fault: never answer the connection request");
    app.add_flag("--no-ack", f.noAck, "Fault: SYN, but no ACK at 19200");
    app.add_option("--short-identity", f.shortIdentityReply,
                   "Fault: answer command 0x02 with N bytes only")
        ->check(CLI::Range(1, 47));
    app.add_flag("--silent-tag", f.silentTagQuery, "Fault: no answer to the tag query 0x40");
    app.add_flag("--no-version-answer", f.noVersionAnswer, "Fault: no answer to command 0x50");
    app.add_option("--refuse-area-code", f.refuseAreaCode,
                   "Fault: answer the N-th area code with a wrong byte")
        ->check(CLI::PositiveNumber);
    app.add_option("--silent-checkpoint", f.silentCheckpoint,
                   "Fault: no answer at the N-th checkpoint")
        ->check(CLI::PositiveNumber);
    app.add_option("--no-x-ack", f.noXAck, "Fault: no ACK to the N-th 'X' frame")
        ->check(CLI::PositiveNumber);
    app.add_flag("--nak-end", f.nakEnd, "Fault: answer the end command with a wrong byte");
    const std::string place =
        " at EVENT[:N], the N-th occurrence of EVENT (" + updater::sim::EventFaultNames() + ")";
    AddEventFault(app, "--hang-up", f.hangUp,
                  "Fault: hang up the line instead of answering" + place);
    AddEventFault(app, "--late", f.lateAnswer,
                  "Fault: answer later than the Updater waits (--late-ms)" + place);
    app.add_option("--late-ms", f.lateAnswerMs, "How late a --late answer comes")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    AddEventFault(app, "--garbage", f.garbageAnswer,
                  "Fault: answer with bytes that are none of the expected ones" + place);
    app.add_flag("--echo", f.echo,
                 "Fault: no radio, a cable that loops every byte back as it came");
    app.add_flag("--chatter", f.chatter,
                 "Fault: no radio, another device that answers everything with text of its own")
        ->excludes("--echo");
}

bool ApplyTexts(const Texts& texts, SimOptions& options) {
    const auto model = updater::sim::ModelFromText(texts.model);
    const auto tag = updater::sim::TagFromHex(texts.tag);
    const auto version = updater::sim::VersionFromText(texts.version);
    if (!model) std::cerr << "radio-sim: --model takes at most 16 characters\n";
    if (!tag) std::cerr << "radio-sim: --tag takes exactly 32 hexadecimal digits\n";
    if (!version) std::cerr << "radio-sim: --version takes at most 16 characters\n";
    if (!model || !tag || !version) return false;
    options.model = *model;
    options.topAreaTag = *tag;
    if (!texts.noVersion) options.version = *version;
    return true;
}

void PrintSummary(const updater::sim::SimReport& report, bool once) {
    if (!report.ending.empty()) {
        std::cerr << "radio-sim: " << (once ? "the" : "the latest")
                  << " dialogue ended: " << report.ending << '\n';
    } else if (once) {
        std::cerr << "radio-sim: stopped before a dialogue ended\n";
    }
    std::cerr << "radio-sim: " << report.sessions << " session(s), " << report.frames
              << " frame(s), " << report.bytes << " byte(s) written, " << report.errors
              << " error(s)";
    if (report.areaChecksumChecked) {
        std::cerr << ", area checksum " << (report.areaChecksumOk ? "correct" : "wrong");
    }
    std::cerr << (report.endReceived ? ", end received" : "")
              << (report.hungUp ? ", line hung up" : "") << '\n';
    for (const auto& problem : report.problems) std::cerr << "  problem: " << problem << '\n';
    std::cerr << "radio-sim: checks " << (report.ChecksHeld() ? "held" : "FAILED") << '\n';
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Emulates the radio's firmware loader on a pseudo-terminal.", "radio-sim"};
    SimOptions options;
    Texts texts;
    AddOptions(app, options, texts);
    CLI11_PARSE(app, argc, argv);
    if (!ApplyTexts(texts, options)) return 2;

    // The serving thread inherits this mask, so the signals reach only the wait below. SIGUSR1
    // is the serving thread's word that it has stopped by itself; the wait sleeps until either.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    updater::sim::RadioSimulator radio(options);
    const pthread_t waiter = pthread_self();
    radio.OnStopped([waiter] { pthread_kill(waiter, SIGUSR1); });
    if (!radio.Start()) {
        std::cerr << "radio-sim: no pseudo-terminal could be opened\n";
        return 2;
    }
    // What the Updater sent, for a test that compares it with the Updater's own trace.
    std::ofstream received;
    size_t receivedSaved = 0;
    if (!texts.received.empty()) {
        received.open(texts.received, std::ios::binary | std::ios::trunc);
        if (!received) {
            std::cerr << "radio-sim: cannot write " << texts.received << '\n';
            return 2;
        }
    }
    const auto saveReceived = [&] {
        if (!received.is_open()) return;
        const auto bytes = radio.Received();
        if (bytes.size() <= receivedSaved) return;
        received.write(reinterpret_cast<const char*>(bytes.data() + receivedSaved),
                       static_cast<std::streamsize>(bytes.size() - receivedSaved));
        received.flush();
        receivedSaved = bytes.size();
    };
    std::cout << radio.PortPath() << std::endl;

    while (radio.Serving()) {
        // With --received the bytes go out as they arrive, so a tick wakes the loop; without
        // it an idle simulator sleeps until a signal.
        const timespec tick{0, 100'000'000};
        const int signal = received.is_open() ? sigtimedwait(&signals, nullptr, &tick)
                                              : sigwaitinfo(&signals, nullptr);
        saveReceived();
        if (signal == SIGINT || signal == SIGTERM) break;
    }
    radio.Stop();
    saveReceived();

    const auto report = radio.Report();
    if (!texts.dump.empty() && !radio.Dump(texts.dump)) {
        std::cerr << "radio-sim: cannot write " << texts.dump << '\n';
        PrintSummary(report, options.once);
        return 1;
    }
    PrintSummary(report, options.once);
    return report.ChecksHeld() ? 0 : 1;
}
