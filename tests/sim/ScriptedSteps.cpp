#include "tests/sim/ScriptedSteps.h"

#include <chrono>
#include <thread>

namespace updater::sim::test {

bool Connect(UpdaterLine& line, int speed, int stopBits) {
    if (!line.SetLine(speed, stopBits) || !line.Write(kConnectionRequest)) return false;
    if (line.Read(1, 1000) != std::vector<uint8_t>{kSyn}) return false;
    if (!line.SetLine(19200, stopBits)) return false;
    return line.Read(1, 1500) == std::vector<uint8_t>{kAck};
}

uint8_t ReplyChecksum(const std::vector<uint8_t>& reply) {
    uint8_t sum = 0;
    for (std::size_t i = 32; i < 44 && i < reply.size(); ++i)
        sum = static_cast<uint8_t>(sum + reply[i]);
    return sum;
}

std::vector<uint8_t> Identify(UpdaterLine& line, uint8_t handshake) {
    if (!line.Write({0x02})) return {};
    const auto reply = line.Read(48, 1000);
    if (reply.size() != 48) return reply;
    if (!line.Write({handshake}) || !line.Write({kAck})) return {};
    if (line.Read(1, 1000) != std::vector<uint8_t>{kAck}) return {};
    line.key = static_cast<uint8_t>(handshake ^ ReplyChecksum(reply));
    return reply;
}

bool ConnectAndIdentify(UpdaterLine& line, uint8_t handshake) {
    return Connect(line) && Identify(line, handshake).size() == 48;
}

bool SendAreaCodes(UpdaterLine& line) {
    for (const char* code : {"0A", "P2", "03", "02", "01"}) {
        const std::vector<uint8_t> frame{'R', static_cast<uint8_t>(code[0]),
                                         static_cast<uint8_t>(code[1])};
        if (Exchange(line, frame, 3000) != kAck) return false;
    }
    return true;
}

int Exchange(UpdaterLine& line, const std::vector<uint8_t>& bytes, int timeoutMs) {
    if (!line.Write(bytes)) return -1;
    const auto answer = line.Read(1, timeoutMs);
    return answer.empty() ? -1 : answer[0];
}

}  // namespace updater::sim::test
