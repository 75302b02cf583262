#include "app/minuterie.h"

Minuterie::Minuterie(QObject* parent)
    : QObject(parent) {
    connect(&timer_, &QTimer::timeout, this, &Minuterie::timeout);
}

void Minuterie::setInterval(int millisecondes) {
    intervalle_ = millisecondes;
    Appliquer();
}

void Minuterie::start() {
    enMarche_ = true;
    Appliquer();
}

void Minuterie::stop() {
    enMarche_ = false;
    Appliquer();
}

void Minuterie::Appliquer() {
    if (!enMarche_ || intervalle_ <= 0) {
        timer_.stop();
        return;
    }
    if (!timer_.isActive() || timer_.interval() != intervalle_) {
        timer_.start(intervalle_);
    }
}
