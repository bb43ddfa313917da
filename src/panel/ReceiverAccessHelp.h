#pragma once

class QWidget;

namespace flitbar {

// Explains how to let this user open the receiver: Linux has no permission to request at run time,
// only the udev rule that ships with the application.
void showReceiverAccessHelp(QWidget* parent);

}  // namespace flitbar
