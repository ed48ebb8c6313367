#pragma once

#include "PictureFile.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// Files read into pictures one after another, in the order given, on a
// thread of the pool, so that the window answers while many are read and
// only one picture is decoded at a time. What is read waits here for the
// window's thread to take it. A queue destroyed drops what it has not read
// yet: the file being read is let finish on its own and thrown away.
class PictureQueue
{
public:
    using Read = std::variant<PictureFile::FromFile, QString>;

    PictureQueue();
    ~PictureQueue();
    PictureQueue(const PictureQueue&) = delete;
    PictureQueue& operator=(const PictureQueue&) = delete;

    void add(const QStringList& files);
    // What was read so far, in the order the files were given.
    std::vector<Read> take();
    // Waits, running no event loop, until a file more is read or every file
    // given was, but no longer than ms milliseconds; whether files are still
    // being read.
    bool waitForNext(int ms);

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};
