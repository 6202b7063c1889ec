#pragma once

#include <QObject>
#include <QString>

namespace ombrel {

// Progress of the running export, shown by the export sheet. Main thread only.
class ExportProgress : public QObject {
    Q_OBJECT
    Q_PROPERTY(int done READ done WRITE setDone NOTIFY doneChanged)
    Q_PROPERTY(int total READ total WRITE setTotal NOTIFY totalChanged)
    Q_PROPERTY(bool running READ running WRITE setRunning NOTIFY runningChanged)
    Q_PROPERTY(QString message READ message WRITE setMessage NOTIFY messageChanged)

public:
    using QObject::QObject;

    int done() const { return done_; }
    int total() const { return total_; }
    bool running() const { return running_; }
    const QString& message() const { return message_; }

    void setDone(int done);
    void setTotal(int total);
    void setRunning(bool running);
    void setMessage(const QString& message);

signals:
    void doneChanged();
    void totalChanged();
    void runningChanged();
    void messageChanged();

private:
    int done_ = 0;
    int total_ = 0;
    bool running_ = false;
    QString message_;
};

}  // namespace ombrel
