// A main window over the fake platform, with two displays unless a test says otherwise.
#pragma once

#include <gtest/gtest.h>

#include <QStringList>

#include <memory>

#include "l10n/Localizer.h"
#include "mainwindow/MainUnit.h"
#include "platform/fake/FakePlatform.h"
#include "tests/mainwindow/WriteTextFile.h"
#include "tests/support/TestApplication.h"

class MainFormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TestApplication();
        fake = &InstallFakePlatform();
        fake->SetMonitors({{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}});
    }

    void TearDown() override {
        form.reset();
        ClearCatalog();
    }

    TMainForm& MakeForm() {
        form = std::make_unique<TMainForm>();
        return *form;
    }

    WindowRow& Row(std::size_t index) const { return *form->Rows().at(index); }

    QStringList Titles() const {
        QStringList titles;
        for (const auto& row : form->Rows()) {
            titles << row->TitleLabel->text();
        }
        return titles;
    }

    FakePlatform* fake = nullptr;
    std::unique_ptr<TMainForm> form;
};
