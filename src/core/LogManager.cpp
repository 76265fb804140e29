#include "platform/Platform.h"

#include <qm/Config.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/utility.h>

namespace qm
{

LogManager::LogManager()
{
    setType("LogManager");
}

LogManager::~LogManager()
{
    if (file != nullptr)
    {
        std::fclose(file);
        file = nullptr;
    }
}

LogManager& LogManager::getInstance()
{
    static LogManager instance;
    return instance;
}

int LogManager::startUp()
{
    if (isStarted())
    {
        writeLog("LogManager::startup(): Warning! LogManager already started.");
        return -1;
    }
    std::string name;
    if (!platform::getEnvironment("QUILLMERE_LOG", name))
    {
        name = Config::getInstance().getLogFile();
    }
    fileName = name;
    file = std::fopen(name.c_str(), "w");
    if (file == nullptr)
    {
        writeLog("LogManager::startup(): Warning! Unable to open file '%s'.", name.c_str());
        return -1;
    }
    Manager::startUp();
    writeLog(5, "LogManager::startUp(): successfully started.");
    return 0;
}

void LogManager::shutDown()
{
    Manager::shutDown();
    writeLog(5, "LogManager::shutDown(): successfully stopped.");
    if (file != nullptr)
    {
        std::fclose(file);
        file = nullptr;
    }
}

void LogManager::setFlush(bool flush)
{
    doFlush = flush;
    if (doFlush && file != nullptr)
    {
        std::fflush(file);
    }
}

int LogManager::writeLog(int level, const char* format, ...) const
{
    va_list args;
    va_start(args, format);
    const int result = writeLine(level, format, args);
    va_end(args);
    return result;
}

int LogManager::writeLog(const char* format, ...) const
{
    va_list args;
    va_start(args, format);
    const int result = writeLine(logLevel, format, args);
    va_end(args);
    return result;
}

int LogManager::writeLine(int level, const char* format, va_list args) const
{
    if (level > logLevel)
    {
        return 0;
    }
    std::FILE* out = file != nullptr ? file : stderr;
    bool failed = false;
    if (logTimeString && std::fprintf(out, "%s ", getTimeString()) < 0)
    {
        failed = true;
    }
    if (logStepCount && std::fprintf(out, "%4d ", GameManager::getInstance().getStepCount()) < 0)
    {
        failed = true;
    }
    const int written = std::vfprintf(out, format, args);
    if (written < 0 || std::fputc('\n', out) == EOF)
    {
        failed = true;
    }
    if (doFlush)
    {
        std::fflush(out);
    }
    return failed ? -1 : written;
}

} // namespace qm
