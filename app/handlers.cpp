#include "app/handlers.h"

#include "app/startup.h"
#include "runtime/form.h"
#include "runtime/picture.h"
#include "ui/list/list_window.h"
#include "ui/login/login.h"
#include "ui/main/main_window.h"
#include "ui/query_and_account.h"
#include "ui/report/report_window.h"

#include <QIcon>

namespace app {

void installProgramResources() {
    runtime::registerPictures();
    rt::setProgramIcon(QIcon(QString::fromLatin1(runtime::pictures::kProgramIcon)));
    rt::setImageDecoder([](const rt::Bytes& data) {
        // JPEG data starts with the start-of-image marker FF D8; everything else goes to Qt.
        if (data.size() < 2 || uint8_t(data[0]) != 0xFF || uint8_t(data[1]) != 0xD8)
            return QImage();
        return runtime::decodeJpeg(QByteArray(data.data(), qsizetype(data.size())));
    });
}

void registerHandlers() {
    registerStartupHandlers();
    ui::registerLoginHandlers();
    ui::registerMainWindowHandlers();
    ui::registerListWindowHandlers();
    ui::registerQueryAndAccountHandlers();
    ui::registerReportWindowHandlers();
}

} // namespace app
