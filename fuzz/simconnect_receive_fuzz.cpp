// The receive side of a SimConnect connection over arbitrary bytes from the simulator: the
// framer must cut the same messages, and fail at the same place with the same code, however
// the socket splits the stream into reads; and every message it hands out must decode with
// the byte reader without a read past its end.
//
// Input: byte 0 picks MaxReceiveSize, byte 1 how often the stream repeats (so that inputs of
// a few kilobytes still reach the buffer's growth and its limit), byte 2 how many read sizes
// follow; the read sizes (one byte each, used in turn), then the stream.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "foundation/byte_reader.h"
#include "simlink/simconnect/packet_layout.h"
#include "simlink/simconnect/receive_framer.h"

namespace {

using kiv::ByteRangeError;
using kiv::ByteReader;
using kiv::simconnect::ReceiveFramer;
namespace recv = kiv::simconnect::recv;
using kiv::simconnect::RecvId;

using Bytes = std::vector<std::uint8_t>;

struct Framing {
    std::vector<Bytes> messages;
    std::uint32_t errorCode = 0;
};

std::int32_t sizeAt(const Bytes& stream, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;) {
        value = (value << 8) | stream[at + i];
    }
    return static_cast<std::int32_t>(value);
}

// The framing rule over the whole stream at once, as the reference for the framer's
// read-by-read work.
Framing frameWhole(const Bytes& stream, std::uint32_t maxReceiveSize) {
    Framing framing;
    std::size_t at = 0;
    while (stream.size() - at >= 4) {
        const std::int32_t size = sizeAt(stream, at);
        if (size == 0) {
            at += 4;
            continue;
        }
        if (size > 0 && static_cast<std::uint32_t>(size) > maxReceiveSize) {
            framing.errorCode = ReceiveFramer::kMessageTooLarge;
            break;
        }
        if (size < 4) {
            framing.errorCode = ReceiveFramer::kInvalidSize;
            break;
        }
        if (static_cast<std::size_t>(size) > ReceiveFramer::kCapacityLimit) {
            framing.errorCode = ReceiveFramer::kMessageTooLarge;
            break;
        }
        if (stream.size() - at < static_cast<std::size_t>(size)) {
            break;
        }
        framing.messages.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(at),
                                      stream.begin() +
                                          static_cast<std::ptrdiff_t>(at + static_cast<std::size_t>(size)));
        at += static_cast<std::size_t>(size);
    }
    return framing;
}

// Reads of the given sizes in turn (255 stands for "as much as fits"), as a socket might.
Framing frameInReads(const Bytes& stream, std::uint32_t maxReceiveSize, std::span<const std::uint8_t> readSizes) {
    ReceiveFramer framer(maxReceiveSize, "fuzz");
    Framing framing;
    std::size_t fed = 0;
    std::size_t turn = 0;
    for (;;) {
        std::span<const std::uint8_t> message;
        ReceiveFramer::Outcome outcome;
        while ((outcome = framer.next(message)) == ReceiveFramer::Outcome::message) {
            framing.messages.emplace_back(message.begin(), message.end());
        }
        if (outcome == ReceiveFramer::Outcome::failed || fed == stream.size()) {
            break;
        }
        const std::span<std::uint8_t> space = framer.freeSpace();
        if (space.empty()) {
            break; // the framer records why
        }
        const std::uint8_t pick = readSizes[turn++ % readSizes.size()];
        const std::size_t wanted = pick == 255 ? space.size() : std::size_t{pick} + 1;
        const std::size_t count = std::min({wanted, space.size(), stream.size() - fed});
        std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(fed), count, space.begin());
        framer.commit(count);
        fed += count;
    }
    framing.errorCode = framer.errorCode();
    if ((framing.errorCode == 0) != framer.error().empty()) {
        __builtin_trap(); // a failure without its text, or a text without a failure
    }
    return framing;
}

void mustLieInside(std::string_view text, std::span<const std::uint8_t> message, std::size_t fieldSize) {
    const auto* first = reinterpret_cast<const char*>(message.data());
    if (text.size() > fieldSize ||
        (!text.empty() && (text.data() < first || text.data() + text.size() > first + message.size()))) {
        __builtin_trap();
    }
}

// The bytes each kind of message must hold for the fields this client reads from it.
std::size_t fieldsEnd(std::uint32_t id) {
    switch (static_cast<RecvId>(id)) {
    case RecvId::exception:
        return recv::kExceptionSize;
    case RecvId::open:
        return recv::kOpenSize;
    case RecvId::event:
        return recv::kEventSize;
    case RecvId::eventObjectAddRemove:
        return recv::kEventObjectAddRemoveSize;
    case RecvId::eventFrame:
        return recv::kEventFrameSize;
    case RecvId::eventFilename:
        return recv::kEventFilenameSize;
    case RecvId::simObjectData:
    case RecvId::simObjectDataByType:
        return recv::kDataStart;
    case RecvId::assignedObjectId:
        return recv::kAssignedObjectIdSize;
    default:
        return kiv::simconnect::kRecvHeaderSize;
    }
}

void readEventFields(ByteReader& reader) {
    reader.seek(recv::kEventGroupId);
    reader.u32();
    reader.u32();
    reader.u32();
    reader.skip(recv::kEventSize - recv::kEventData - 4);
}

// Reads the fields this client takes from each kind of message, at the layout's offsets.
void readFields(ByteReader& reader, std::span<const std::uint8_t> message, RecvId id) {
    using kiv::simconnect::kFlightPlanPathField;
    using kiv::simconnect::kNameField;
    switch (id) {
    case RecvId::exception:
        reader.seek(recv::kExceptionId);
        reader.u32();
        reader.u32();
        reader.u32();
        break;
    case RecvId::open:
        reader.seek(recv::kOpenName);
        mustLieInside(reader.fixedString(kNameField), message, kNameField);
        reader.seek(recv::kOpenAppVersion);
        for (int i = 0; i < 8; ++i) {
            reader.u32();
        }
        reader.skip(recv::kOpenSize - recv::kOpenSimConnectVersion - 16); // reserved
        break;
    case RecvId::event:
        readEventFields(reader);
        break;
    case RecvId::eventObjectAddRemove:
        readEventFields(reader);
        reader.u32();
        break;
    case RecvId::eventFrame:
        readEventFields(reader);
        reader.f32();
        reader.f32();
        break;
    case RecvId::eventFilename:
        readEventFields(reader);
        mustLieInside(reader.fixedString(kFlightPlanPathField), message, kFlightPlanPathField);
        break;
    case RecvId::simObjectData:
    case RecvId::simObjectDataByType:
        reader.seek(recv::kDataRequestId);
        for (int i = 0; i < 7; ++i) {
            reader.u32();
        }
        reader.bytes(reader.remaining()); // the data block runs to the end
        break;
    case RecvId::assignedObjectId:
        reader.seek(recv::kAssignedRequestId);
        reader.u32();
        reader.u32();
        break;
    default:
        break;
    }
}

void decode(std::span<const std::uint8_t> message) {
    ByteReader reader(message, "fuzz");
    std::size_t needed = kiv::simconnect::kRecvHeaderSize;
    try {
        reader.u32();
        reader.u32();
        const std::uint32_t id = reader.u32();
        needed = fieldsEnd(id);
        readFields(reader, message, static_cast<RecvId>(id));
        if (reader.offset() < needed || reader.offset() > message.size()) {
            __builtin_trap(); // the reader lost its place
        }
    } catch (const ByteRangeError&) {
        // Only a message shorter than its kind's fields may run out of bytes.
        if (message.size() >= needed) {
            __builtin_trap();
        }
        return;
    }
    if (message.size() < needed) {
        __builtin_trap(); // a short message decoded without the reader noticing
    }
}

std::uint32_t maxReceiveSizeFor(std::uint8_t pick) {
    constexpr std::array<std::uint32_t, 4> sizes{41088, 65536, 0x100000, 0xFFFFFFFFu};
    return sizes[pick % sizes.size()];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const std::uint32_t maxReceiveSize = maxReceiveSizeFor(data[0]);
    const std::size_t repeats = std::size_t{data[1]} + 1;
    const std::size_t readCount = static_cast<std::size_t>(data[2] % 16) + 1;
    if (size < 3 + readCount) {
        return 0;
    }
    const std::span<const std::uint8_t> readSizes(data + 3, readCount);
    const std::span<const std::uint8_t> payload(data + 3 + readCount, size - 3 - readCount);
    Bytes stream;
    stream.reserve(payload.size() * repeats);
    for (std::size_t i = 0; i < repeats; ++i) {
        stream.insert(stream.end(), payload.begin(), payload.end());
    }

    const Framing whole = frameWhole(stream, maxReceiveSize);
    const Framing inReads = frameInReads(stream, maxReceiveSize, readSizes);
    if (inReads.messages != whole.messages || inReads.errorCode != whole.errorCode) {
        __builtin_trap();
    }
    for (const Bytes& message : inReads.messages) {
        decode(message);
    }
    return 0;
}
