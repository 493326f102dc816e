#pragma once

#include "store/DataShare.h"

// Wraps the body of a slot for connect(): the body runs under the data
// module's guard, so that a failure is reported in the "Database Error" box
// and never passes on to the event loop. The body takes the signal's
// arguments, or fewer of them.
template<typename Body>
auto Guarded(TDataShare &data, Body body)
{
    return [&data, body](const auto &...args) -> decltype(body(args...), void()) {
        data.RunGuarded([&] { body(args...); });
    };
}

// The same for a member function of the receiver.
template<typename Receiver, typename... Args>
auto Guarded(TDataShare &data, Receiver *receiver, void (Receiver::*slot)(Args...))
{
    return Guarded(data, [receiver, slot](Args... args) { (receiver->*slot)(args...); });
}
