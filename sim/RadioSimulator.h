#pragma once
// The radio's firmware loader, emulated on a pseudo-terminal: the peer on the line for the
// tests, the demo and training without a radio. Written from the bytes of the protocol alone;
// it shares no code with the Updater's protocol layer.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace updater::sim {

// The points of the dialogue where the loader answers, or, for a 'W' frame, takes one in.
enum class SimEvent {
    ConnectionRequest,  // heard at the listen speed; answered with SYN
    Identify,           // command 0x02
    TagQuery,           // 0x40
    VersionQuery,       // 0x50
    AreaCode,           // every 'R' frame
    Checkpoint,         // the 0x06 of a checkpoint exchange
    WFrame,             // no answer: the fault strikes when the frame arrives
    XFrame,
    AddressRange,
    Bracket,  // 0x5B
    End,      // 0x45
};

// A fault that strikes the n-th occurrence of an event (counted over the simulator's life).
struct EventFault {
    SimEvent at = SimEvent::ConnectionRequest;
    int occurrence = 0;  // 0: never
};

struct SimFaults {
    bool noSyn = false;            // never answers the connection request
    bool noAck = false;            // SYN, but no ACK at 19200
    int shortIdentityReply = 0;    // >0: answers command 0x02 with this many bytes only
    bool silentTagQuery = false;   // no answer to query 0x40
    bool noVersionAnswer = false;  // no answer to command 0x50
    int refuseAreaCode = 0;        // n>0: the n-th 'R' area code is answered with a wrong byte
    int silentCheckpoint = 0;      // n>0: no answer at the n-th checkpoint exchange
    int noXAck = 0;                // n>0: no ACK to the n-th 'X' frame
    bool nakEnd = false;           // answers the end command 0x45 with a byte other than ACK
    EventFault hangUp;             // hangs up the line instead of answering
    EventFault lateAnswer;         // answers lateAnswerMs later than a radio would
    int lateAnswerMs = 3500;       // beyond the longest time-out the Updater has (3000 ms)
    EventFault garbageAnswer;      // answers with as many bytes, none of them the right one
    // Not the radio at all: a cable that loops every byte back as it came, and nothing else.
    bool echo = false;
    // Not the radio at all: another device that answers whatever comes with a line of its own
    // text (never SYN nor ACK), and nothing else.
    bool chatter = false;
};

struct SimOptions {
    int listenSpeed = 9600;  // the speed the loader listens at for the connection request
    int stopBits = 0;        // 1 or 2; 0 accepts either
    std::array<uint8_t, 16> model{'M',  'Q',  'A',  '6',  '6',  '3',  '5',  ' ',
                                  0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    std::array<uint8_t, 16> topAreaTag{};            // answer to query 0x40
    std::optional<std::array<uint8_t, 16>> version;  // answer to 0x50; none: 16 bytes 0xFF
    // Model a real line: answers come no sooner than their bytes take on the wire, and the
    // Updater's waits after a frame count from the frame's end on the wire.
    bool modelWireTime = true;
    SimFaults faults;
    // Stop serving after the first dialogue, whatever its outcome: once the program that talked
    // lets go of the port, or, while it still holds it (or opens cannot be watched), a moment
    // after the dialogue has ended by the end command, a fault or a hang-up.
    bool once = false;
    // Slack on the pauses the loader needs, for the granularity of the Updater's clock. The
    // measure is an upper bound of each pause, so the loader's own lateness needs none.
    std::chrono::microseconds timingTolerance{1000};
};

struct SimReport {
    int frames = 0;  // 'W' and 'X' frames received
    long bytes = 0;  // data bytes written into memory
    int errors = 0;  // checks that failed (frame checksum, area checksum, order, timing)
    bool areaChecksumChecked = false;
    bool areaChecksumOk = false;
    bool endReceived = false;           // the end command 0x45 was received
    std::vector<std::string> problems;  // one line per failed check
    std::vector<std::string> commands;  // the dialogue as the loader understood it, in order
    int sessions = 0;                   // connection requests answered with SYN
    int linkKey = -1;                   // key agreed in the latest session; -1 before any agreement
    int checkpoints = 0;                // checkpoint exchanges seen
    bool hungUp = false;                // the loader hung up the line (fault)
    bool dialogueEnded = false;         // the latest dialogue is over (end command or fault)
    std::string ending;                 // how the latest dialogue ended; empty while it runs
    bool ChecksHeld() const { return errors == 0; }
};

class RadioSimulator {
  public:
    explicit RadioSimulator(SimOptions options);
    ~RadioSimulator();  // stops serving and releases the terminal
    RadioSimulator(const RadioSimulator&) = delete;
    RadioSimulator& operator=(const RadioSimulator&) = delete;

    // Opens the pseudo-terminal and serves on a thread of its own. False when no terminal
    // could be opened.
    bool Start();
    void Stop();
    // True while the serving thread runs (it ends by Stop, by a hang-up, or with `once`).
    bool Serving() const;
    // Waits up to timeoutMs for the serving thread to end; true when it has.
    bool WaitUntilStopped(int timeoutMs) const;
    // Called on the serving thread when it ends by itself (hang-up or `once`) or by Stop. Set it
    // before Start.
    void OnStopped(std::function<void()> stopped);
    // The slave side's path, for the Updater to open.
    const std::string& PortPath() const;

    // Snapshot of the checks so far (safe to call while serving).
    SimReport Report() const;
    // Waits up to `timeout` until `done` holds for the report; true when it does.
    bool WaitForReport(const std::function<bool(const SimReport&)>& done,
                       std::chrono::milliseconds timeout) const;
    // The emulated memory (1 MiB, 0xFF where nothing was written) and which bytes were written.
    std::vector<uint8_t> Memory() const;
    std::vector<bool> Written() const;
    // Every byte the loader received from the Updater, in the order of arrival.
    std::vector<uint8_t> Received() const;
    // Writes the received memory as "<address as 6 hex digits> <byte as 2 hex digits>" lines,
    // one per written byte, in address order.
    bool Dump(const std::string& path) const;

  private:
    struct Impl;
    Impl* impl_;
};

}  // namespace updater::sim
