#include "cli/Publishing.h"

#include <cstdio>

namespace zr::cli {

bool CCliPublishing::TakeOptions(const char* command, std::vector<std::string>& args)
{
    std::string error;
    if (TakePublishOptions(args, m_request, error))
        return true;
    std::fprintf(stderr, "zrq6930 %s: %s\n", command, error.c_str());
    return false;
}

bool CCliPublishing::Start(const char* command)
{
    if (!m_request.asked)
        return true;
    std::string error;
    m_publisher = StartPublisher(m_request, std::string("zrq6930 ") + command, error, PrintPublishNotice);
    if (!m_publisher) {
        std::fprintf(stderr, "zrq6930 %s: cannot publish: %s\n", command, error.c_str());
        return false;
    }
    m_feed = std::make_unique<CLiveFeed>(*m_publisher);
    return true;
}

void CCliPublishing::Finish()
{
    if (!m_publisher)
        return;
    m_publisher->Stop();
    std::fprintf(stderr, "%s\n", PublishTotalsText(m_publisher->GetStats()).c_str());
    m_feed.reset();
    m_publisher.reset();
}

} // namespace zr::cli
