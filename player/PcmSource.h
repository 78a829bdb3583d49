#pragma once

#include <QByteArray>
#include <QIODevice>

// The samples of the sound that plays, read by the sound output as it needs them. A new sound replaces
// what is left of the one before; with nothing left the device reads nothing and is at its end.
class PcmSource : public QIODevice {
    Q_OBJECT
  public:
    PcmSource();

    // Starts `pcm` from its first sample (shared, not copied).
    void SetPcm(QByteArray pcm);
    bool HasData() const { return offset_ < pcm_.size(); }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

  protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 maxSize) override;

  private:
    QByteArray pcm_;
    qsizetype offset_ = 0;
};
