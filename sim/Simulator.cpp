#include "sim/Simulator.h"

namespace zr::sim {

bool CSimulator::Start(const std::vector<SimReceiverConfig>& configs)
{
    for (const auto& c : configs) {
        auto r = std::make_unique<CSimReceiver>(c);
        if (!r->Start())
            return false;
        m_receivers.push_back(std::move(r));
    }
    return true;
}

bool CSimulator::Start(int count)
{
    std::vector<SimReceiverConfig> configs;
    for (int i = 0; i < count; ++i)
        configs.push_back(DefaultConfig(i));
    return Start(configs);
}

void CSimulator::Stop()
{
    for (auto& r : m_receivers)
        r->Stop();
    m_receivers.clear();
}

std::vector<std::string> CSimulator::PortPaths() const
{
    std::vector<std::string> paths;
    for (const auto& r : m_receivers)
        paths.push_back(r->PortPath());
    return paths;
}

std::string CSimulator::PortList() const
{
    std::string list;
    for (const auto& r : m_receivers)
        list += (list.empty() ? "" : ":") + r->PortPath();
    return list;
}

} // namespace zr::sim
