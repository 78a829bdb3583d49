#include "player/PcmSource.h"

#include <algorithm>
#include <cstring>

PcmSource::PcmSource() {
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

void PcmSource::SetPcm(QByteArray pcm) {
    pcm_ = std::move(pcm);
    offset_ = 0;
    if (HasData())
        Q_EMIT readyRead();
}

qint64 PcmSource::bytesAvailable() const {
    return (pcm_.size() - offset_) + QIODevice::bytesAvailable();
}

qint64 PcmSource::readData(char* data, qint64 maxSize) {
    const qint64 n = std::min<qint64>(maxSize, pcm_.size() - offset_);
    if (n <= 0)
        return 0;
    std::memcpy(data, pcm_.constData() + offset_, size_t(n));
    offset_ += n;
    if (!HasData()) {
        pcm_ = QByteArray(); // the played sound goes at once
        offset_ = 0;
    }
    return n;
}

qint64 PcmSource::writeData(const char*, qint64) {
    return -1;
}
