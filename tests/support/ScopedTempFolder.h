#pragma once
#include <string>

// Points the temporary folder (and with it the default music work file) somewhere of the
// test's own, so that tests running side by side never share a work file.
class ScopedTempFolder {
public:
    explicit ScopedTempFolder(const std::string& folder);
    ~ScopedTempFolder();
    ScopedTempFolder(const ScopedTempFolder&) = delete;
    ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

private:
    std::string m_old;
    bool m_had = false;
};
