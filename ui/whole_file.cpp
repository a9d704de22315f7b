// SPDX-License-Identifier: MIT
#include "whole_file.h"

#include <QFile>

namespace dorvanel {

template <typename Step> bool WholeFile::Run(Step step) {
    try {
        step();
        return true;
    } catch (const SaveError& error) {
        reason_ = QString::fromLocal8Bit(error.what());
    }
    file_.reset();
    return false;
}

bool WholeFile::Open() {
    return Run([&] { file_.emplace(QFile::encodeName(path_).toStdString()); });
}

bool WholeFile::Write(std::string_view data) {
    return file_ && Run([&] { file_->Write(data); });
}

bool WholeFile::Commit() {
    return file_ && Run([&] { file_->Commit(); });
}

} // namespace dorvanel
