#pragma once

#include <QObject>
#include <QTimer>

// A window timer: switched on and off, and firing every interval while on. An interval of 0
// keeps it silent even while on (a plain QTimer of 0 ms would fire on every pass of the event
// loop and keep a core busy); giving it an interval again lets it fire.
class Minuterie : public QObject {
    Q_OBJECT
public:
    explicit Minuterie(QObject* parent = nullptr);

    void setInterval(int millisecondes);
    int interval() const { return intervalle_; }
    void start(); // switched on
    void stop();  // switched off
    bool isEnabled() const { return enMarche_; }
    // True while it fires: switched on with an interval above 0.
    bool isActive() const { return timer_.isActive(); }

Q_SIGNALS:
    void timeout();

private:
    void Appliquer();

    QTimer timer_;
    int intervalle_ = 0;
    bool enMarche_ = false;
};
