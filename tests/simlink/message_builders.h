// Builders of the bytes the link reads and writes: received messages as a simulator sends
// them (in both event header layouts) and a little-endian appender for expected packets.
// Tests only; plain values.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace kiv::test_support {

// Little-endian fields appended one after the other; each appender returns the builder
// `Self` that derives from it, so that calls chain.
template <typename Self> class ByteAppender {
public:
    Self& u32(std::uint32_t value) { return raw(&value, 4); }
    Self& i64(std::int64_t value) { return raw(&value, 8); }
    Self& f32(float value) { return raw(&value, 4); }
    Self& f64(double value) { return raw(&value, 8); }
    // The text in a zero-filled field of `field` bytes (a null text leaves it empty).
    Self& text(const char* value, std::size_t field) { return text(std::string(value != nullptr ? value : ""), field); }
    Self& text(const std::string& value, std::size_t field) {
        std::vector<std::uint8_t> bytes(field, 0);
        std::memcpy(bytes.data(), value.data(), std::min(value.size(), field));
        return raw(bytes.data(), field);
    }

protected:
    Self& raw(const void* value, std::size_t size) {
        const auto* p = static_cast<const std::uint8_t*>(value);
        bytes_.insert(bytes_.end(), p, p + size);
        return static_cast<Self&>(*this);
    }
    std::vector<std::uint8_t> bytes_;
};

// Received messages as a simulator sends them: size, version 4, id, then the fields.
class MessageBuilder : public ByteAppender<MessageBuilder> {
public:
    explicit MessageBuilder(std::uint32_t id) { u32(0).u32(4).u32(id); }
    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> result = bytes_;
        const auto size = static_cast<std::uint32_t>(result.size());
        std::memcpy(result.data(), &size, 4);
        return result;
    }
};

enum class EventLayout { current, older };

// EVENT (group, event id, data); the current layout adds one word after the data.
inline std::vector<std::uint8_t> eventMessage(std::uint32_t eventId, std::uint32_t data,
                                              EventLayout layout = EventLayout::current) {
    MessageBuilder message(4);
    message.u32(0xFFFFFFFFu).u32(eventId).u32(data);
    if (layout == EventLayout::current) {
        message.u32(0);
    }
    return message.bytes();
}

inline std::vector<std::uint8_t> addRemoveMessage(std::uint32_t eventId, std::uint32_t objectId,
                                                  std::uint32_t objectType, EventLayout layout = EventLayout::current) {
    MessageBuilder message(5);
    message.u32(0xFFFFFFFFu).u32(eventId).u32(objectId);
    if (layout == EventLayout::current) {
        message.u32(0);
    }
    return message.u32(objectType).bytes();
}

inline std::vector<std::uint8_t> frameMessage(float rate, float speed, EventLayout layout = EventLayout::current) {
    MessageBuilder message(7);
    message.u32(0xFFFFFFFFu).u32(204).u32(0);
    if (layout == EventLayout::current) {
        message.u32(0);
    }
    return message.f32(rate).f32(speed).bytes();
}

// SIMOBJECT_DATA (id 8) or _BYTYPE (9): the 40-byte header, then what `fill` appends.
inline std::vector<std::uint8_t> dataMessage(std::uint32_t id, std::uint32_t requestId, std::uint32_t objectId,
                                             std::uint32_t defineId,
                                             const std::function<void(MessageBuilder&)>& fill = {}) {
    MessageBuilder message(id);
    message.u32(requestId).u32(objectId).u32(defineId).u32(0).u32(1).u32(1).u32(1);
    if (fill) {
        fill(message);
    }
    return message.bytes();
}

inline std::vector<std::uint8_t> assignedMessage(std::uint32_t requestId, std::uint32_t objectId) {
    return MessageBuilder(12).u32(requestId).u32(objectId).bytes();
}

inline std::vector<std::uint8_t> exceptionMessage(std::uint32_t exceptionId, std::uint32_t sendId,
                                                  std::uint32_t index = 0) {
    return MessageBuilder(1).u32(exceptionId).u32(sendId).u32(index).bytes();
}

inline std::vector<std::uint8_t> openMessage(const std::string& name, std::uint32_t major = 5) {
    MessageBuilder message(2);
    message.text(name, 256).u32(major).u32(4).u32(9).u32(28482);
    message.u32(5).u32(4).u32(0).u32(0).u32(0).u32(0);
    return message.bytes();
}

} // namespace kiv::test_support
