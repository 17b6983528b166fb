#pragma once

namespace nearbell {

// Delays between reconnection attempts.
//
// Responsibilities:
//  - start at the first delay and double after each failure, never beyond
//    the limit (1 s up to 60 s by default);
//  - start again from the first delay once a connection proved alive.
class ReconnectBackoff
{
public:
    explicit ReconnectBackoff(int firstMs = 1000, int limitMs = 60000);

    // The delay before the next attempt; each call doubles the one after.
    int nextDelayMs();
    void reset();

private:
    int m_firstMs;
    int m_limitMs;
    int m_nextMs;
};

} // namespace nearbell
