#include "logs/LoadingProgress.h"

namespace zr {

void CLoadingProgress::Start(uint64_t size)
{
    const uint64_t blocks = size / 32;
    m_position = 0;
    m_divisor = static_cast<int32_t>(blocks / 101 + 1);
    const uint64_t maximum = blocks <= 100 ? blocks : blocks / static_cast<uint64_t>(m_divisor);
    m_rangeMax = static_cast<int>(static_cast<uint16_t>(maximum)); // a 16-bit range
    m_total = blocks;
    m_counter = 0;
}

bool CLoadingProgress::Step()
{
    ++m_counter;
    if (m_divisor > 0 && m_counter % m_divisor == 0) {
        m_position = m_counter / m_divisor;
        return true;
    }
    return false;
}

bool CLoadingProgress::Steps(uint64_t count)
{
    // Same result as `count` single steps: the position only depends on the
    // last multiple of the divisor reached.
    if (count == 0)
        return false;
    const int32_t before = m_counter;
    m_counter += static_cast<int32_t>(count);
    if (m_divisor <= 0 || m_counter / m_divisor == before / m_divisor)
        return false;
    m_position = m_counter / m_divisor;
    return true;
}

} // namespace zr
