// A main window over the fake platform, with two displays unless a test says otherwise.
#pragma once

#include <gtest/gtest.h>

#include <QStringList>

#include <memory>

#include "l10n/Session.h"
#include "mainwindow/MainForm.h"
#include "tests/mainwindow/WriteTextFile.h"
#include "tests/support/TestApplication.h"
#include "tests/support/fake/FakePlatform.h"

class MainFormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TestApplication();
        fake->SetMonitors({{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}});
    }

    void TearDown() override { form.reset(); }

    TMainForm& MakeForm() {
        form = std::make_unique<TMainForm>(session, *fake);
        return *form;
    }

    WindowRowView& Row(std::size_t index) const { return *form->Rows().at(index); }

    QStringList Titles() const {
        QStringList titles;
        for (const auto& row : form->Rows()) {
            titles << row->TitleLabel()->text();
        }
        return titles;
    }

    std::unique_ptr<FakePlatform> platform = std::make_unique<FakePlatform>();
    FakePlatform* fake = platform.get();
    IcuCodePages codePages;
    Session session{codePages, 0x0409};
    std::unique_ptr<TMainForm> form;
};
