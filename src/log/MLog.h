#pragma once
#include <cstdint>
#include <string>
#include <vector>

class ByteWriter;

// Kinds of log entries, by their record character.
enum class MLogKind : int32_t {
    DataDump = 68,         // 'D'
    KaraokeLineDump = 76,  // 'L'
    SongSettingsDump = 83, // 'S'
    TextMessage = 84,      // 'T'
    UserAction = 85,       // 'U'
};

// One diagnostic log entry. The time is given as two 32-bit halves of seconds since 1970,
// or taken from the clock when both are 0.
class MLog {
public:
    MLog(MLogKind kind, std::string name, uint32_t timeLow = 0, uint32_t timeHigh = 0);
    virtual ~MLog();

    MLogKind Kind() const { return m_kind; }
    int64_t Time() const { return m_time; }
    const std::string& Name() const { return m_name; }

    // Appends the entry's file record: "LOG", kind character, time, content, name.
    void WriteRecord(ByteWriter& out) const;

protected:
    virtual void WriteContent(ByteWriter& out) const = 0;

private:
    MLogKind m_kind;
    int64_t m_time;
    std::string m_name;
};
