#include "ExportProgress.h"

namespace ombrel {

void ExportProgress::setDone(int done) {
    if (done == done_) return;
    done_ = done;
    emit doneChanged();
}

void ExportProgress::setTotal(int total) {
    if (total == total_) return;
    total_ = total;
    emit totalChanged();
}

void ExportProgress::setRunning(bool running) {
    if (running == running_) return;
    running_ = running;
    emit runningChanged();
}

void ExportProgress::setMessage(const QString& message) {
    if (message == message_) return;
    message_ = message;
    emit messageChanged();
}

}  // namespace ombrel
