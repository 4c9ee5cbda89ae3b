#pragma once
// The radio's firmware loader as a byte-driven state machine: it reads what arrives on the
// line, checks it as the loader would, and queues its answers. It knows nothing of terminals
// or threads; RadioSimulator feeds it and sends what it answers.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/LineObservation.h"
#include "sim/PauseJudge.h"
#include "sim/RadioSimulator.h"
#include "sim/UartSettings.h"

namespace updater::sim {

class LoaderDialogue {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kMemorySize = 0x100000;

    explicit LoaderDialogue(SimOptions options);

    // Bytes that came in one read, with the line as sampled before and after that read: the
    // loader understands bytes that either sample makes intelligible. When the samples lie too
    // far apart to know the line in between (`lineKnown` false: the loader looked late), the
    // line may have changed and changed back unseen, so the bytes are taken as sent at the
    // speed the dialogue runs at.
    void Receive(const uint8_t* data, std::size_t count, const Arrival& arrival,
                 const UartSettings& before, const UartSettings& after, bool lineKnown = true);
    // True when bytes read between the two samples make sense only at `after`: then they were
    // sent after the change of the line, and the change is to be handed in before them.
    bool UnderstoodOnlyAfter(const UartSettings& before, const UartSettings& after) const;
    // The Updater opened the port, or changed the line settings.
    void PortOpened(const Arrival& open);
    void LineChanged(const LineChange& change);
    // Called often: sends the ACK once the line reads 19200 and the Updater has taken the SYN,
    // and drops stale half frames. `pendingForUpdater`: answer bytes the Updater has not read.
    void Tick(const UartSettings& line, std::size_t pendingForUpdater, Clock::time_point now);
    // The answers queued since the last call, as they go on the line (scrambled), each with the
    // extra delay a fault gives it.
    struct Reply {
        std::vector<uint8_t> bytes;
        std::chrono::milliseconds delay{0};
        bool checkpointAnswer = false;  // the ACK of a checkpoint exchange
    };
    std::vector<Reply> TakeAnswers();
    // The checkpoint's ACK went onto the line at `at`: the Updater's pause after it counts from
    // no sooner than that.
    void CheckpointAnswerWritten(Clock::time_point at) { judge_.CheckpointAnswerWritten(at); }

    // When Tick next decides something by the clock alone (an ACK due, a wait run out); none
    // when only bytes or a change of the line can move the dialogue on.
    std::optional<Clock::time_point> NextTimedChange() const;
    // The program that talked let go of the port: the report says so unless the dialogue had
    // already ended (for `once`, which stops serving then).
    void PortReleased();

    bool HangUpRequested() const { return hangUp_; }
    bool EndedCleanly() const { return endedCleanly_; }
    Clock::time_point LastByteAt() const { return lastByteAt_; }

    const SimReport& Report() const { return report_; }
    const std::vector<uint8_t>& Memory() const { return memory_; }
    const std::vector<bool>& Written() const { return written_; }

    // The 48-byte answer to command 0x02: model code, loader data, key material.
    static std::array<uint8_t, 48> IdentityReply(const SimOptions& options);

  private:
    enum class Phase {
        Listening,         // waiting for the connection request at the listen speed
        AwaitLine19200,    // SYN sent; the ACK follows once the line runs at 19200
        AwaitIdentify,     // connected, unkeyed: only command 0x02 is understood
        AwaitHandshake,    // identity sent; next byte is the handshake byte
        AwaitIdentityAck,  // handshake byte received; ACK expected (still unkeyed)
        Command,           // keyed: the next byte starts a command
        AwaitQueryAck,     // tag or version sent; ACK expected
        AreaCodeArgs,      // 'R' received; two characters follow
        SpeedCode,         // 0x0F received; the speed code follows
        BlockFrame,        // 'W' or 'X' received; address, count, data and checksum follow
        AddressRange,      // 0xF3 received; start, end and area checksum follow
    };

    struct Session {
        uint8_t key = 0;
        int speed = 0;
        uint8_t handshake = 0;
        int areaCodesDone = 0;  // how many of "0A" "P2" "03" "02" "01" came in order
        bool rangeSeen = false;
        bool bracketSeen = false;
        bool code00Seen = false;
        bool checkpointReady = false;  // the last command dropped the line to 19200
        int areaCodeCount = 0;
        int xCount = 0;
        int checkpointCount = 0;
        uint16_t mainAreaSum = 0;  // sum of (byte - 255) over the 'W' frames from the main area
    };

    bool InDialogue() const;
    // After an answer the loader waits for the Updater's reply as long as it takes.
    bool AwaitingReply() const;
    bool FeedRequestMatcher(uint8_t byte);
    bool IsRequestLine(const UartSettings& line) const;
    bool Understands(const UartSettings& line) const;
    void StartSession(const UartSettings& line);
    void DialogueByte(uint8_t raw);
    void KeyedByte(uint8_t byte);
    void StartCommand(uint8_t byte);
    // Counts an occurrence of `event` and strikes the fault armed for it. False when the loader
    // hung up instead of going on.
    bool Occur(SimEvent event, const std::string& what);
    void AreaCode(char first, char second);
    void SpeedChange(uint8_t code);
    void BlockDone();
    void AddressRangeDone();
    void Checkpoint(bool ready);
    void EndDialogue(bool clean, const std::string& why);
    void Answer(std::initializer_list<uint8_t> bytes);
    void Answer(const uint8_t* bytes, std::size_t count);
    void Log(const std::string& entry);
    void LogFrame(uint8_t command, uint32_t address);
    void Problem(const std::string& text);

    SimOptions options_;
    std::array<uint8_t, 48> identity_;
    Phase phase_ = Phase::Listening;
    Session session_;
    std::size_t requestMatched_ = 0;
    std::vector<uint8_t> frame_;
    uint8_t frameCommand_ = 0;
    Clock::time_point synAt_{};
    std::optional<Clock::time_point> line19200Since_;
    Clock::time_point lastByteAt_{};
    Arrival current_{};           // when the byte being handled came
    UartSettings currentLine_{};  // the line it was understood at
    Arrival frameFirst_{};        // when the current frame's command byte came
    PauseJudge judge_;
    std::array<int, 11> occurrences_{};
    bool lateNext_ = false;
    bool checkpointAnswerNext_ = false;
    bool garbageNext_ = false;
    std::vector<Reply> answers_;
    bool hangUp_ = false;
    bool endedCleanly_ = false;
    std::optional<std::size_t> frameRunEntry_;  // log entry of the current run of block frames
    uint8_t frameRunCommand_ = 0;
    uint32_t frameRunFirst_ = 0;
    int frameRunCount_ = 0;
    SimReport report_;
    std::vector<uint8_t> memory_;
    std::vector<bool> written_;
};

}  // namespace updater::sim
