#pragma once

#include <stdexcept>
#include <string>

namespace nearbell {

// A host call that failed: the host has gone away, or it could not answer.
// Every caller of the host catches this and ends its own work quietly.
class HostError : public std::runtime_error
{
public:
    explicit HostError(const std::string &what) : std::runtime_error(what) {}
};

} // namespace nearbell
