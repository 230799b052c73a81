#pragma once
#include <optional>
#include <string>

// Sets (or, with no value, removes) an environment variable for the life of the object and puts
// back what was there. Programs started meanwhile see the change too.
class ScopedEnv {
public:
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};
