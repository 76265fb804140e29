// 64-bit FNV-1a, the hash of the world used by replays and by the determinism test.
#ifndef QM_CORE_FNV1A_H
#define QM_CORE_FNV1A_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace qm
{

/// 64-bit FNV-1a, fed field by field.
class Fnv1a
{
public:
    void add(const void* data, std::size_t size)
    {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i)
        {
            value = (value ^ bytes[i]) * 1099511628211ULL;
        }
    }
    void add(std::int64_t number) { add(&number, sizeof number); }
    void add(float number)
    {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &number, sizeof bits);
        add(static_cast<std::int64_t>(bits));
    }
    void add(const std::string& text)
    {
        add(static_cast<std::int64_t>(text.size()));
        add(text.data(), text.size());
    }
    std::uint64_t get() const { return value; }

private:
    std::uint64_t value = 14695981039346656037ULL;
};

} // namespace qm

#endif
