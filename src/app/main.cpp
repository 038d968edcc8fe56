#include "app/QAPlayer.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return qel::RunPlayer(QApplication::arguments());
}
