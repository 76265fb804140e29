// Feeds arbitrary bytes to the replay reader. It may not crash, hang or keep more than a
// small multiple of the input; a file it accepts must read back the same from its own text.
#include <qm/ReplayFile.h>

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    qm::ReplayFile file;
    std::string error;
    if (qm::ReplayFile::parse(text, file, error) != 0)
    {
        if (error.empty() || !file.events.empty())
        {
            std::abort(); // a refusal names its reason and keeps nothing
        }
        return 0;
    }
    qm::ReplayFile again;
    if (qm::ReplayFile::parse(file.toText(), again, error) != 0 || !(again.events == file.events) ||
        again.hashes != file.hashes || again.steps != file.steps || again.config != file.config)
    {
        std::abort();
    }
    return 0;
}
