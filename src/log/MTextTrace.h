#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// A timestamped text trace. Nothing in the program opens one, so tracing writes nothing
// unless a sink has been installed.
class MTextTrace {
public:
    static constexpr uint32_t kAllCategories = 65535;

    MTextTrace(const std::string& path, uint32_t mask);
    ~MTextTrace();
    MTextTrace(const MTextTrace&) = delete;
    MTextTrace& operator=(const MTextTrace&) = delete;

    bool IsOpen() const { return m_file != nullptr; }
    // Writes "[MM/DD/YYYY hh:mm:ss] message" when the category shares a bit with the mask
    // or is kAllCategories.
    void Write(uint32_t category, const std::string& message);

    // The process-wide sink (none by default).
    static void Install(MTextTrace* sink);
    static void Trace(uint32_t category, const std::string& message);

private:
    std::FILE* m_file = nullptr;
    uint32_t m_mask;
};
