#include "artwork/Offscreen.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <cstdio>

namespace lorvena::artwork {

namespace {

void printMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR"))) return;
  std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

}  // namespace

void prepareOffscreenApplication() {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(printMessage);
}

}  // namespace lorvena::artwork
