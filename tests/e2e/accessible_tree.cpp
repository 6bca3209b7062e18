// SPDX-License-Identifier: GPL-3.0-or-later
#include "e2e/accessible_tree.h"

#include "support/child_process.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sstream>

namespace ride::testing {
namespace {

std::optional<std::string> optionalString(const QJsonObject& object, const char* key)
{
    if (!object.contains(QLatin1String(key))) {
        return std::nullopt;
    }
    return object.value(QLatin1String(key)).toString().toStdString();
}

AccessibleElement parse(const QJsonObject& o)
{
    AccessibleElement e;
    e.window = o.value(QLatin1String("window")).toString().toStdString();
    e.depth = o.value(QLatin1String("depth")).toInt();
    e.parent = o.value(QLatin1String("parent")).toString().toStdString();
    e.role = o.value(QLatin1String("role")).toString().toStdString();
    e.name = o.value(QLatin1String("name")).toString().toStdString();
    e.description = o.value(QLatin1String("description")).toString().toStdString();
    e.showing = o.value(QLatin1String("showing")).toBool();
    const QJsonArray extents = o.value(QLatin1String("extents")).toArray();
    if (extents.size() == 4) {
        e.extents = ScreenRect{extents[0].toInt(), extents[1].toInt(), extents[2].toInt(), extents[3].toInt()};
    }
    e.text = optionalString(o, "text");
    const QJsonObject font = o.value(QLatin1String("font")).toObject();
    e.fontFamily = optionalString(font, "family-name");
    e.fontSize = optionalString(font, "size");
    return e;
}

} // namespace

AccessibleTree AccessibleTree::read(const std::string& display, int pid, const std::vector<std::string>& waitFor,
                                    std::chrono::seconds timeout)
{
    std::vector<std::string> argv{"/usr/bin/python3", RIDE_E2E_DIR "/accessible_tree.py", "--pid", std::to_string(pid),
                                  "--seconds",        std::to_string(timeout.count())};
    for (const auto& title : waitFor) {
        argv.insert(argv.end(), {"--wait-for", title});
    }
    int status = -1;
    AccessibleTree tree;
    tree.dump_ = runAndCapture(argv, &status, {{"DISPLAY", display}});
    tree.complete_ = status == 0;
    std::istringstream lines(tree.dump_);
    std::string line;
    while (std::getline(lines, line)) {
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line));
        if (doc.isObject()) {
            tree.elements_.push_back(parse(doc.object()));
        }
    }
    return tree;
}

std::vector<const AccessibleElement*> AccessibleTree::windows(const std::string& title) const
{
    std::vector<const AccessibleElement*> found;
    for (const auto& e : elements_) {
        if (e.depth == 0 && e.window == title) {
            found.push_back(&e);
        }
    }
    return found;
}

const AccessibleElement* AccessibleTree::named(const std::string& title, const std::string& description) const
{
    for (const auto& e : elements_) {
        if (e.window == title && e.description == description) {
            return &e;
        }
    }
    return nullptr;
}

std::vector<const AccessibleElement*> AccessibleTree::inside(const AccessibleElement& element) const
{
    std::vector<const AccessibleElement*> found;
    // The tree is printed depth first: what follows an element more deeply is inside it.
    for (auto e = elements_.begin() + (&element - elements_.data()) + 1;
         e != elements_.end() && e->depth > element.depth; ++e) {
        found.push_back(&*e);
    }
    return found;
}

std::vector<std::string> AccessibleTree::names(const std::string& title, const std::string& role) const
{
    std::vector<std::string> found;
    for (const auto& e : elements_) {
        if (e.window == title && e.role == role) {
            found.push_back(e.name);
        }
    }
    return found;
}

} // namespace ride::testing
