#pragma once
// Client WebSocket frames written by our own code rather than the library's, so that a batch of
// messages can be masked straight into one staging buffer and leave in as few socket writes as
// the socket takes: one unfragmented frame per message, masked with its own key.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace platform::net_detail {

using MaskKey = std::array<unsigned char, 4>;

// The largest header a masked client frame has: 2 bytes, 8 of length, 4 of key.
constexpr std::size_t kMaxClientFrameHeader = 14;

// Writes the header of a final, masked frame (opcode 1 for text, 2 for binary) to out, which has
// room for kMaxClientFrameHeader bytes; returns its length.
std::size_t writeClientFrameHeader(unsigned char* out, bool text, std::uint64_t payloadBytes, const MaskKey& key);

// Copies n bytes from in to out masked with key, where in starts at byte `offset` of the payload
// (the key turns with the payload, so a payload may be masked in pieces).
void maskCopy(unsigned char* out, const unsigned char* in, std::size_t n, const MaskKey& key, std::uint64_t offset);

// Keys for one connection: unpredictable to whoever sees the frames (the point of masking is
// that a client cannot choose the bytes on the wire), cheap to draw.
class MaskKeySource {
public:
    MaskKeySource();
    MaskKey next();

private:
    std::array<unsigned char, 1024> pool_{};
    std::size_t used_ = pool_.size();
};

// Lays a batch of messages out as frames in a staging buffer of bounded size, a piece at a time,
// so a large message never needs a copy of its own size. Each fill() appends whole frames while
// they fit; a frame larger than the room left is split across fills. stopAfterCurrent() lets
// the frame being laid out finish and starts no further one.
class ClientFrameStager {
public:
    struct Message {
        std::string_view payload;
        bool text = true;
    };

    // buffer: capacity bytes (at least 64) the caller keeps for the connection's life, so no
    // batch allocates or clears one.
    ClientFrameStager(std::vector<Message> messages, unsigned char* buffer, std::size_t capacity, MaskKeySource& keys);

    // Lays out the next bytes; returns false when everything (or everything up to the stop)
    // has been laid out already. data() and size() then hold the bytes to send.
    bool fill();
    const unsigned char* data() const { return buffer_; }
    std::size_t size() const { return used_; }
    // The first frame boundary at or after byte `sentInBuffer` of the current buffer, or size()+1
    // when the frame under way runs past the buffer.
    std::size_t boundaryFrom(std::size_t sentInBuffer) const;
    // The frame that holds byte `sentInBuffer` of the current buffer is the last to go out: the
    // buffer is cut at its end, if that lies inside it. Returns the new size().
    std::size_t stopAfterCurrent(std::size_t sentInBuffer);
    bool stopped() const { return stopped_; }

private:
    std::vector<Message> messages_;
    unsigned char* buffer_;
    std::size_t capacity_;
    std::size_t used_ = 0;
    std::vector<std::size_t> ends_;
    MaskKeySource& keys_;
    std::size_t index_ = 0;        // the message being laid out
    bool headerDone_ = false;      // its header is in an earlier or the current buffer
    std::uint64_t payloadDone_ = 0;
    MaskKey key_{};
    bool startsFrame_ = true;  // the current buffer begins with a header
    bool stopped_ = false;
    bool finished_ = false;    // nothing more to lay out
};

}  // namespace platform::net_detail
