#include "DatagramReceiver.h"

DatagramReceiver::DatagramReceiver(DatagramQueue& queue, Wake wake)
    : m_queue(queue)
    , m_wake(std::move(wake))
{
}

DatagramReceiver::~DatagramReceiver() = default;

bool DatagramReceiver::bind(quint16 port)
{
    if (!m_drain)
        m_drain = startDrain(m_queue, m_wake, port);
    return m_drain != nullptr;
}
