#include "log/MTextTrace.h"

#include <atomic>
#include <ctime>

namespace {
std::atomic<MTextTrace*> g_sink{nullptr};
}

MTextTrace::MTextTrace(const std::string& path, uint32_t mask) : m_file(std::fopen(path.c_str(), "a")), m_mask(mask)
{
}

MTextTrace::~MTextTrace()
{
    if (g_sink.load() == this) g_sink.store(nullptr);
    if (m_file) std::fclose(m_file);
}

void MTextTrace::Write(uint32_t category, const std::string& message)
{
    if (!m_file) return;
    if ((category & m_mask) == 0 && category != kAllCategories) return;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::fprintf(m_file, "[%02d/%02d/%02d %02d:%02d:%02d] %s\n", local.tm_mon + 1, local.tm_mday,
                 local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec, message.c_str());
    std::fflush(m_file);
}

void MTextTrace::Install(MTextTrace* sink)
{
    g_sink.store(sink);
}

void MTextTrace::Trace(uint32_t category, const std::string& message)
{
    if (MTextTrace* sink = g_sink.load()) sink->Write(category, message);
}
