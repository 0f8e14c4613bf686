#pragma once

// A window test's start: simulated devices in this process's own loopback
// namespace, the real window and controller over them, and what the window
// said, asked and opened kept for the test to read.

#include "control/MainController.h"
#include "devsim/Simulator.h"
#include "platform/LocalAddresses.h"
#include "ui/CTavrinDlg.h"
#include "ui/QtMessagePoster.h"
#include "ui/UiTestEnvironment.h"

#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace lorvena::testing_support {

class SearchedWindowTest : public testing::Test {
protected:
    void TearDown() override
    {
        if (controller)
            controller->shutdownSearch();
        if (simulator)
            simulator->stop();
    }

    // Starts the simulator with `devices`, opens the window in `searchMode`
    // and searches until it lists `rows` rows.
    void openAndSearch(const std::vector<devsim::SimulatedDevice>& devices, int rows, int searchMode = 1)
    {
        simulator = std::make_unique<devsim::Simulator>(devices, devsim::SimulatorOptions {});
        std::string error;
        ASSERT_TRUE(simulator->start(error)) << error;
        window = std::make_unique<CTavrinDlg>(QStringLiteral(LORVENA_TEST_SKIN_DIR), searchMode);
        poster = std::make_unique<QtMessagePoster>(window.get());
        controller = std::make_unique<MainController>(searchMode,
            MainController::Dependencies {*window, *poster, localIpv4Addresses});
        window->attach(*controller);
        window->setMessageSink([this](const QString& text) { messages << text; });
        window->setQuestionSink([this](const QString& text) {
            questions << text;
            return answerOk;
        });
        window->setUrlOpener([this](const QString& url) { urls << url; });
        controller->initialise();
        window->show();
        clickButton(ControlId::Search);
        CSortListCtrl* list = window->deviceList();
        ASSERT_TRUE(pumpUntil([&] { return list->rowCount() == rows; }, 5000)) << list->rowCount() << " rows";
    }

    void clickButton(ControlId id)
    {
        QWidget* button = window->control(id);
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }

    std::unique_ptr<devsim::Simulator> simulator;
    std::unique_ptr<CTavrinDlg> window;
    std::unique_ptr<QtMessagePoster> poster;
    std::unique_ptr<MainController> controller;
    QStringList messages;
    QStringList questions;
    QStringList urls;
    // The answer to every OK/Cancel question.
    bool answerOk = false;
};

} // namespace lorvena::testing_support
