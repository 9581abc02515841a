// The home tab on the simulated desktop and the virtual clock, over a real store in a temporary
// file: the shared state, the icons, and a way to make the next saves fail.
#pragma once

#include "../../app/AppWorld.h"
#include "store/Database.h"
#include "ui/home/ApplicationIcons.h"

#include <QAbstractButton>
#include <QMessageBox>

struct HomeWorld : AppWorld {
    AppState state{platform, context()};
    ApplicationIcons icons{platform};

    HomeWorld() {
        state.setModelContext(context());
        for (const QString name : {"Editor", "Terminal", "Browser", "Mail"})
            desktop.install(QStringLiteral("org.example.") + name, name);
    }

    // Every later save of a configuration (or of a saved application) fails until allowSaves().
    void refuseSaves() {
        QString error;
        m_other = Database::open(dir.filePath(QStringLiteral("store.sqlite")), false, &error);
        QVERIFY2(m_other, qPrintable(error));
        for (const char* table : {"ConfigurationGroup", "SavedApp"})
            for (const char* event : {"INSERT", "UPDATE", "DELETE"})
                QVERIFY(m_other->execute(QStringLiteral("CREATE TRIGGER refuse_%1_%2 BEFORE %2 ON %1 BEGIN "
                                                        "SELECT RAISE(ABORT, 'disk full'); END")
                                             .arg(QLatin1String(table), QLatin1String(event))));
    }
    // Rows of a table as the file holds them.
    qint64 storedCount(const QString& table) {
        QString error;
        auto db = Database::open(dir.filePath(QStringLiteral("store.sqlite")), false, &error);
        return db ? db->queryInteger(QStringLiteral("SELECT count(*) FROM ") + table).value_or(-1) : -1;
    }

    // Presses a button of the open message box by its text.
    static bool press(QMessageBox* box, const QString& text) {
        if (!box)
            return false;
        for (QAbstractButton* button : box->buttons()) {
            if (QString(button->text()).remove(QLatin1Char('&')) == text) {
                button->click();
                return true;
            }
        }
        return false;
    }

private:
    std::unique_ptr<Database> m_other;
};
