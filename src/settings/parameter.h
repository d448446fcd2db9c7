// The plain kinds of setting: one object per key of "parameters.xml", holding its key,
// default and current value. The objects are globals of the settings table; after start-up
// they belong to the GUI thread (worker threads read the settings snapshot instead).
#pragma once

#include <cstdint>
#include <string>

namespace kiv {

// Destruction is the only virtual operation of the whole family: the kind of a parameter
// is known from the registry that holds it, and code reacting to one parameter compares
// the object's address, never its key text.
class Parameter {
public:
    explicit Parameter(std::string keyText) : key(std::move(keyText)) {}
    virtual ~Parameter() = default;
    Parameter(const Parameter&) = delete;
    Parameter& operator=(const Parameter&) = delete;

    // The name in the file; for a button, its caption.
    const std::string key;
};

// Does not clamp: the file load, the start-up checks and the range and park setters do.
class IntParameter : public Parameter {
public:
    IntParameter(std::string keyText, std::int32_t defaultInt, std::int32_t minimum, std::int32_t maximum)
        : Parameter(std::move(keyText)), defaultValue(defaultInt), min(minimum), max(maximum), value(defaultInt) {}

    // "{key}={value}"
    std::string logText() const;
    void log() const;

    std::int32_t defaultValue;
    std::int32_t min;
    std::int32_t max;
    std::int32_t value;
};

class BoolParameter : public Parameter {
public:
    BoolParameter(std::string keyText, bool defaultBool)
        : Parameter(std::move(keyText)), defaultValue(defaultBool), value(defaultBool) {}

    // "{key}=true" or "{key}=false"
    std::string logText() const;
    void log() const;

    bool defaultValue;
    bool value;
};

class StringParameter : public Parameter {
public:
    StringParameter(std::string keyText, std::string defaultText)
        : Parameter(std::move(keyText)), defaultValue(std::move(defaultText)), value(defaultValue) {}

    // "{key}=\"{value}\""
    std::string logText() const;
    void log() const;

    std::string defaultValue;
    std::string value;
};

// A wide-text path; the file stores it as UTF-8.
class PathParameter : public Parameter {
public:
    PathParameter(std::string keyText, std::u16string defaultPath)
        : Parameter(std::move(keyText)), defaultValue(std::move(defaultPath)), value(defaultValue) {}

    // "{key}=\"{value as UTF-8}\""; throws std::runtime_error on an unpaired surrogate.
    std::string logText() const;
    // Writes nothing when the value cannot be converted.
    void log() const;

    std::u16string defaultValue;
    std::u16string value;
};

} // namespace kiv
