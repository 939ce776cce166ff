#include "OutputFile.h"
#include "MuxError.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace OutputFile {

namespace {

// Removes the temporary file unless told the rename went through.
class Temporary
{
public:
    explicit Temporary(const std::string& path)
        : m_name(path + ".XXXXXX")
    {
        m_fd = mkstemp(m_name.data());
        if (m_fd < 0)
            throw MuxError("cannot create " + m_name + ": " + std::strerror(errno));
    }
    ~Temporary()
    {
        if (m_fd >= 0)
            close(m_fd);
        if (!m_kept)
            unlink(m_name.c_str());
    }
    Temporary(const Temporary&) = delete;
    const std::string& Name() const { return m_name; }
    Temporary& operator=(const Temporary&) = delete;

    void Write(const ts::Bytes& data)
    {
        for (size_t done = 0; done < data.size();) {
            ssize_t written = ::write(m_fd, data.data() + done, data.size() - done);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                throw MuxError("cannot write " + m_name + ": " + std::strerror(errno));
            done += size_t(written);
        }
        // Write errors that only show at close (full disk on NFS) must not be lost.
        int fd = m_fd;
        m_fd = -1;
        if (fsync(fd) != 0 || close(fd) != 0)
            throw MuxError("cannot write " + m_name + ": " + std::strerror(errno));
    }

    void RenameTo(const std::string& path)
    {
        if (std::rename(m_name.c_str(), path.c_str()) != 0)
            throw MuxError("cannot rename " + m_name + " to " + path + ": " + std::strerror(errno));
        m_kept = true;
    }

private:
    std::string m_name;
    int m_fd = -1;
    bool m_kept = false;
};

} // namespace

void Write(const std::string& path, const ts::Bytes& data)
{
    Temporary file(path);
    file.Write(data);
    // mkstemp makes the file private; the stream is an ordinary data file.
    mode_t mask = umask(0);
    umask(mask);
    chmod(file.Name().c_str(), 0666 & ~mask);
    file.RenameTo(path);
}

} // namespace OutputFile
