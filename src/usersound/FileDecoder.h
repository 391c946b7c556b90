#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class FileFeed;

// The thread that reads every streamed user's sound file ahead of the audio thread: round
// after round it tops up each feed's ring a little, so that one slow file holds the others up
// no longer than a read. Once all rings are nearly full it sleeps for a quarter of a second,
// well within what a ring holds, and when there is nothing to read, until there is.
//
// add() from any thread but the audio thread; it never waits on a file. A feed is let go
// of once its sound has abandoned it or its file has failed. In manual mode there is no
// thread, and serviceAll() does a thread's work on the caller's: tests drive it so.
class FileDecoder
{
public:
    enum class Mode { Thread, Manual };

    // Frames a feed is given in one round, doubled: a third of a second of a 44.1 kHz file.
    static constexpr std::int64_t roundFrames = 32768;

    explicit FileDecoder(Mode mode = Mode::Thread);
    ~FileDecoder();
    FileDecoder(const FileDecoder &) = delete;
    FileDecoder &operator=(const FileDecoder &) = delete;

    // The program's one decoder thread.
    static FileDecoder &shared();

    void add(std::shared_ptr<FileFeed> feed);
    // Any thread but the audio thread: a feed wants frames now, not after the decoder's rest.
    void wake();
    // Manual mode: rounds until every feed's ring is nearly full, or its file failed.
    void serviceAll();
    std::size_t feedCount() const;

private:
    // One round over every feed; true when some feed wants more at once.
    bool round();
    void run();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<std::shared_ptr<FileFeed>> m_feeds;
    bool m_wanted = false;
    bool m_stopping = false;
    std::thread m_thread;
};
