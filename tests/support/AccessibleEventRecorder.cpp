#include "AccessibleEventRecorder.h"

#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

void AccessibleEventRecorder::SetAccessibilityActive(bool active) {
    QPlatformIntegration* integration = QGuiApplicationPrivate::platformIntegration();
    QPlatformAccessibility* accessibility =
        integration != nullptr ? integration->accessibility() : nullptr;
    if (accessibility != nullptr) {
        accessibility->setActive(active);
    }
}
