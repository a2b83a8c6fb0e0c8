#pragma once

#include <QString>

struct EngineContext;

// Turns the port fields of the settings record into an open connection and
// tells the user the result in the status bar, or in an error box.
class PortConnection {
public:
    explicit PortConnection(EngineContext &context) : m(context) {}

    // Closes the port if open, writes every member in a fixed order, opens
    // it, and writes the status text. The first failing member ends the steps:
    // the port-dependent controls stay disabled and the error is reported.
    void fkt_MainOpenPort();

    // Enables or disables, as a group, the controls that need an open port.
    void fkt_MainEnableControls(bool enabled);

private:
    void reportOpenFailure(qint32 number, const QString &description);
    QString connectedStatusText() const;

    EngineContext &m;
};
