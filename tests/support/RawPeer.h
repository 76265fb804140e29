// A plain TCP client on 127.0.0.1: it writes the bytes it is given, reads raw bytes or whole records.
#ifndef QM_TEST_RAWPEER_H
#define QM_TEST_RAWPEER_H

#include "platform/Socket.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace qmtest
{

class RawPeer
{
public:
    explicit RawPeer(int port)
    {
        int error = 0;
        handle = qm::platform::connectTcp("127.0.0.1", std::to_string(port), 2000, error);
        EXPECT_NE(handle, -1) << qm::platform::errorText(error);
    }
    ~RawPeer() { close(); }

    void write(const std::string& bytes) const
    {
        for (std::size_t done = 0; done < bytes.size();)
        {
            int error = 0;
            const long sent =
                qm::platform::sendBytes(handle, bytes.data() + done, static_cast<long>(bytes.size() - done), error);
            if (sent <= 0 && !qm::platform::isWouldBlock(error))
            {
                ADD_FAILURE() << qm::platform::errorText(error);
                return;
            }
            if (sent > 0)
            {
                done += static_cast<std::size_t>(sent);
            }
            else
            {
                qm::platform::waitMicroseconds(500);
            }
        }
    }
    std::string read(int milliseconds, bool* closed = nullptr) const
    {
        std::string got;
        char buffer[65536];
        for (int waited = 0; waited <= milliseconds * 2;)
        {
            int error = 0;
            const long n = qm::platform::receiveBytes(handle, buffer, sizeof buffer, error);
            if (n > 0)
            {
                got.append(buffer, static_cast<std::size_t>(n));
            }
            else if (n == 0)
            {
                if (closed != nullptr)
                {
                    *closed = true;
                }
                break;
            }
            else if (++waited <= milliseconds * 2)
            {
                qm::platform::waitMicroseconds(500);
            }
        }
        return got;
    }
    bool closes(int milliseconds = 500) const
    {
        bool closed = false;
        read(milliseconds, &closed);
        return closed;
    }
    std::vector<std::string> records()
    {
        pending += read(0);
        std::vector<std::string> whole;
        for (std::int32_t length = 0; pending.size() >= 4; pending.erase(0, static_cast<std::size_t>(length)))
        {
            std::memcpy(&length, pending.data(), 4);
            if (pending.size() < static_cast<std::size_t>(length))
            {
                break;
            }
            whole.push_back(pending.substr(4, static_cast<std::size_t>(length) - 4));
        }
        return whole;
    }
    void close()
    {
        int error = 0;
        if (handle != -1)
        {
            qm::platform::closeSocket(handle, error);
        }
        handle = -1;
    }

private:
    int handle = -1;
    std::string pending;
};

} // namespace qmtest

#endif
