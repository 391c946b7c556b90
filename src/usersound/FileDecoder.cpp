#include "usersound/FileDecoder.h"

#include "usersound/FileFeed.h"

#include <chrono>

namespace {

constexpr std::chrono::milliseconds restWhenFull{250};

}

FileDecoder::FileDecoder(Mode mode)
{
    if (mode == Mode::Thread)
        m_thread = std::thread([this] { run(); });
}

FileDecoder::~FileDecoder()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

FileDecoder &FileDecoder::shared()
{
    static FileDecoder decoder;
    return decoder;
}

void FileDecoder::add(std::shared_ptr<FileFeed> feed)
{
    {
        const std::lock_guard lock(m_mutex);
        m_feeds.push_back(std::move(feed));
        m_wanted = true;
    }
    m_wake.notify_all();
}

void FileDecoder::wake()
{
    {
        const std::lock_guard lock(m_mutex);
        m_wanted = true;
    }
    m_wake.notify_all();
}

void FileDecoder::serviceAll()
{
    while (round())
        ;
}

std::size_t FileDecoder::feedCount() const
{
    const std::lock_guard lock(m_mutex);
    return m_feeds.size();
}

bool FileDecoder::round()
{
    std::vector<std::shared_ptr<FileFeed>> feeds;
    {
        const std::lock_guard lock(m_mutex);
        std::erase_if(m_feeds, [](const auto &feed) { return feed->isAbandoned() || feed->hasFailed(); });
        feeds = m_feeds;
    }
    // Reading happens outside the lock, so that add() never waits behind the disk.
    bool hungry = false;
    for (const auto &feed : feeds) {
        if (!feed->isAbandoned())
            hungry = feed->topUpUnlessBusy(roundFrames) || hungry;
    }
    return hungry;
}

void FileDecoder::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        m_wanted = false;
        lock.unlock();
        const bool hungry = round();
        lock.lock();
        if (hungry || m_wanted || m_stopping)
            continue;
        if (m_feeds.empty())
            m_wake.wait(lock, [this] { return m_wanted || m_stopping; });
        else
            m_wake.wait_for(lock, restWhenFull, [this] { return m_wanted || m_stopping; });
    }
}
