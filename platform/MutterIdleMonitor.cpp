// The desktop's idle time under GNOME: Mutter's IdleMonitor on the session
// bus. Its watches belong to the connection that added them (they end with
// it) and count the idle time from the last input; Mutter holds them back
// while gnome-session has an idle inhibitor (a video playing).
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QObject>

#include "platform/IdleMonitor.h"

namespace ld {
namespace {

const QString kService = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString kPath = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");
const QString kInterface = QStringLiteral("org.gnome.Mutter.IdleMonitor");

// Receives the bus signals (Qt's D-Bus connects them to slots only).
class MutterSignals : public QObject {
  Q_OBJECT
 public:
  std::function<void(uint)> fired;
 public slots:
  void WatchFired(uint id) {
    if (fired) fired(id);
  }
};

class MutterIdleMonitor : public IIdleMonitor {
 public:
  explicit MutterIdleMonitor(QDBusConnection bus)
      : bus_(bus),
        monitor_(kService, kPath, kInterface, bus_),
        watcher_(kService, bus_, QDBusServiceWatcher::WatchForUnregistration) {
    signals_.fired = [this](uint id) { Fired(id); };
    bus_.connect(kService, kPath, kInterface, QStringLiteral("WatchFired"), &signals_,
                 SLOT(WatchFired(uint)));
    QObject::connect(&watcher_, &QDBusServiceWatcher::serviceUnregistered, &signals_, [this] {
      idleWatch_ = activeWatch_ = 0;
      ReportLost(QStringLiteral("Mutter a quitté le bus de session"));
    });
  }
  ~MutterIdleMonitor() override { Disarm(); }

  QString Name() const override { return QStringLiteral("Mutter IdleMonitor"); }

  void Arm(int delaySeconds) override {
    Disarm();
    delayMs_ = quint64(delaySeconds) * 1000;
    const QDBusReply<quint64> idle = monitor_.call(QStringLiteral("GetIdletime"));
    const quint64 idleMs = idle.isValid() ? idle.value() : 0;
    if (idleMs < delayMs_) {
      idleWatch_ = AddIdleWatch(delayMs_);
      return;
    }
    // Already idle that long (the show ended without an input): a plain
    // watch would fire at once. Wait a whole delay from now, or, after an
    // input, a whole delay from that input.
    idleWatch_ = AddIdleWatch(idleMs + delayMs_);
    const QDBusReply<uint> active = monitor_.call(QStringLiteral("AddUserActiveWatch"));
    activeWatch_ = active.isValid() ? active.value() : 0;
  }

  void Disarm() override {
    for (uint* id : {&idleWatch_, &activeWatch_}) {
      if (*id) monitor_.call(QDBus::NoBlock, QStringLiteral("RemoveWatch"), *id);
      *id = 0;
    }
  }

 private:
  uint AddIdleWatch(quint64 ms) {
    const QDBusReply<uint> r = monitor_.call(QStringLiteral("AddIdleWatch"), ms);
    return r.isValid() ? r.value() : 0;
  }

  void Fired(uint id) {
    if (id == 0) return;
    if (id == activeWatch_) {
      // User-active watches fire once and are gone.
      activeWatch_ = 0;
      monitor_.call(QDBus::NoBlock, QStringLiteral("RemoveWatch"), idleWatch_);
      idleWatch_ = AddIdleWatch(delayMs_);
    } else if (id == idleWatch_) {
      Disarm();
      ReportIdle();
    }
  }

  QDBusConnection bus_;
  QDBusInterface monitor_;
  QDBusServiceWatcher watcher_;
  MutterSignals signals_;
  quint64 delayMs_ = 0;
  uint idleWatch_ = 0;
  uint activeWatch_ = 0;
};

}  // namespace

std::unique_ptr<IIdleMonitor> OpenMutterIdleMonitor() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !bus.interface()) return nullptr;
  if (!bus.interface()->isServiceRegistered(kService).value()) return nullptr;
  return std::make_unique<MutterIdleMonitor>(bus);
}

}  // namespace ld

#include "MutterIdleMonitor.moc"
