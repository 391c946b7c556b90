#pragma once

#include <pulse/stream.h>

namespace PulseStreams {

// Lets go of a stream of ours: none of its callbacks runs after this, it is disconnected if
// it still stands, and our reference is dropped. `stream` is null afterwards; a null one is
// left alone. With the connection's lock held, like every call into libpulse.
inline void release(pa_stream *&stream) noexcept
{
    if (!stream)
        return;
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_read_callback(stream, nullptr, nullptr);
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_set_underflow_callback(stream, nullptr, nullptr);
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
        pa_stream_disconnect(stream);
    pa_stream_unref(stream);
    stream = nullptr;
}

}
