#include "platform/net/detail/ClientFrames.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <random>

#include <openssl/rand.h>

namespace platform::net_detail {

std::size_t writeClientFrameHeader(unsigned char* out, bool text, std::uint64_t payloadBytes, const MaskKey& key) {
    std::size_t n = 0;
    out[n++] = static_cast<unsigned char>(0x80 | (text ? 0x1 : 0x2));
    if (payloadBytes < 126) {
        out[n++] = static_cast<unsigned char>(0x80 | payloadBytes);
    } else if (payloadBytes <= 0xffff) {
        out[n++] = 0x80 | 126;
        out[n++] = static_cast<unsigned char>(payloadBytes >> 8);
        out[n++] = static_cast<unsigned char>(payloadBytes);
    } else {
        out[n++] = 0x80 | 127;
        for (int shift = 56; shift >= 0; shift -= 8) out[n++] = static_cast<unsigned char>(payloadBytes >> shift);
    }
    for (const unsigned char k : key) out[n++] = k;
    return n;
}

void maskCopy(unsigned char* out, const unsigned char* in, std::size_t n, const MaskKey& key, std::uint64_t offset) {
    // Eight bytes at a time: the key repeats every four, so a word of it turned to the offset
    // masks any eight bytes in a row.
    unsigned char turned[8];
    for (std::size_t i = 0; i < 8; ++i) turned[i] = key[(offset + i) % 4];
    std::uint64_t word;
    std::memcpy(&word, turned, 8);
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        std::uint64_t v[4];
        std::memcpy(v, in + i, 32);
        v[0] ^= word;
        v[1] ^= word;
        v[2] ^= word;
        v[3] ^= word;
        std::memcpy(out + i, v, 32);
    }
    for (; i + 8 <= n; i += 8) {
        std::uint64_t v;
        std::memcpy(&v, in + i, 8);
        v ^= word;
        std::memcpy(out + i, &v, 8);
    }
    for (; i < n; ++i) out[i] = in[i] ^ turned[i % 8];
}

MaskKeySource::MaskKeySource() = default;

MaskKey MaskKeySource::next() {
    // Keys come from the cryptographic generator, drawn a block at a time: a key that could be
    // told from the ones before it would let a page's script choose the bytes a proxy sees.
    if (used_ == pool_.size()) {
        if (RAND_bytes(pool_.data(), static_cast<int>(pool_.size())) != 1) {
            std::random_device device;  // the operating system's entropy
            for (auto& b : pool_) b = static_cast<unsigned char>(device());
        }
        used_ = 0;
    }
    MaskKey key;
    std::memcpy(key.data(), pool_.data() + used_, key.size());
    used_ += key.size();
    return key;
}

ClientFrameStager::ClientFrameStager(std::vector<Message> messages, unsigned char* buffer, std::size_t capacity,
                                     MaskKeySource& keys)
    : messages_(std::move(messages)), buffer_(buffer), capacity_(capacity), keys_(keys) {
    assert(capacity_ >= 4 * kMaxClientFrameHeader);
}

bool ClientFrameStager::fill() {
    used_ = 0;
    ends_.clear();
    startsFrame_ = !headerDone_;
    if (finished_) return false;
    while (index_ < messages_.size()) {
        const Message& m = messages_[index_];
        if (!headerDone_) {
            if (stopped_ || capacity_ - used_ < kMaxClientFrameHeader) break;
            key_ = keys_.next();
            used_ += writeClientFrameHeader(buffer_ + used_, m.text, m.payload.size(), key_);
            headerDone_ = true;
            payloadDone_ = 0;
        }
        const std::size_t n = std::min<std::size_t>(m.payload.size() - payloadDone_, capacity_ - used_);
        maskCopy(buffer_ + used_, reinterpret_cast<const unsigned char*>(m.payload.data()) + payloadDone_, n, key_,
                 payloadDone_);
        used_ += n;
        payloadDone_ += n;
        if (payloadDone_ < m.payload.size()) break;  // the buffer is full; the frame goes on next time
        ends_.push_back(used_);
        ++index_;
        headerDone_ = false;
    }
    if (used_ == 0) finished_ = true;
    return used_ > 0;
}

std::size_t ClientFrameStager::boundaryFrom(std::size_t sentInBuffer) const {
    if (sentInBuffer == 0 && startsFrame_) return 0;
    const auto end = std::lower_bound(ends_.begin(), ends_.end(), sentInBuffer);
    return end != ends_.end() ? *end : used_ + 1;
}

std::size_t ClientFrameStager::stopAfterCurrent(std::size_t sentInBuffer) {
    stopped_ = true;
    const std::size_t end = boundaryFrom(sentInBuffer);
    if (end <= used_) {
        used_ = end;
        finished_ = true;
    }
    // Otherwise the frame runs past this buffer: the next fill finishes it and starts no other.
    return used_;
}

}  // namespace platform::net_detail
