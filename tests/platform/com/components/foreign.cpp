// A Qt plugin that names a class in its metadata but is no component server.

#include <QObject>
#include <QtPlugin>

class NotAServer : public QObject {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.tarvik.tests.SomethingElse/1.0" FILE "foreign.json")
};

#include "foreign.moc"
