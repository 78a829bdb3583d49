#include "app/SignInRetry.h"

#include "platform/BackgroundRunner.h"
#include "service/ServiceClient.h"

#include <QNetworkInformation>
#include <QTimerEvent>

#include <algorithm>

SignInRetry::SignInRetry(ServiceClient& client, BackgroundRunner& runner, std::function<Decision()> decide,
                         QObject* parent)
    : QObject(parent), client_(client), runner_(runner), decide_(std::move(decide)) {}

void SignInRetry::Schedule(bool again) {
    start(again ? longer() : kFirstDelay);
    watchNetwork();
}

void SignInRetry::Stop() {
    timer_.stop();
}

void SignInRetry::start(std::chrono::seconds delay) {
    delay_ = delay;
    timer_.start(std::chrono::milliseconds(delay).count(), this);
}

std::chrono::seconds SignInRetry::longer() const {
    return std::min(delay_ * 2, kLongestDelay);
}

void SignInRetry::watchNetwork() {
    // Loaded only once a retry is due, so that an ordinary start does not pay for it; without a
    // backend (no NetworkManager) the back-off alone brings the retry.
    if (watchingNetwork_)
        return;
    watchingNetwork_ = true;
    if (!QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return;
    connect(QNetworkInformation::instance(), &QNetworkInformation::reachabilityChanged, this,
            [this](QNetworkInformation::Reachability reachability) {
                // The network has come up: the retry need not wait for its turn.
                if (reachability == QNetworkInformation::Reachability::Online)
                    OnDue();
            });
}

void SignInRetry::OnDue() {
    if (!timer_.isActive() || probing_)
        return;
    timer_.stop();
    switch (decide_()) {
    case Decision::Stop:
        return;
    case Decision::Later:
        start(delay_);
        return;
    case Decision::Go:
        break;
    }
    probing_ = true;
    ServiceClient* client = &client_;
    runner_.Run<bool>([client] { return client->IsReachable(kProbeLimit); },
                      [this](bool reachable) {
                          probing_ = false;
                          const Decision now = decide_();
                          if (reachable && now == Decision::Go) {
                              Q_EMIT due();
                          } else if (now != Decision::Stop) {
                              start(reachable ? delay_ : longer());
                          }
                      });
}

void SignInRetry::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer_.timerId())
        OnDue();
    else
        QObject::timerEvent(event);
}
