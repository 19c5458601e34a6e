// The error texts of the project service: the code before the first colon
// decides what the operator is told.
#include "ProjectAnswer.h"
#include "ggError.h"

#include <gtest/gtest.h>

TEST(ProjectAnswer, ErrorCodeDecidesTheMessage)
{
    const struct {
        const char *text;
        const char *message; // null: raises
    } cases[] = {
        {"403: доступ запрещён", "Ошибка авторизации."},
        {"403", nullptr}, // no colon: no code
        {"404:нет", "Такого проекта на сервере нет. Возможно его уже забрали."},
        {"500: сбой: база", "Сервер вернул ошибку: 500: сбой: база"},
        {"-1:x", "Сервер вернул ошибку: -1:x"},
        {"oops", nullptr},
        {" 403: с пробелом", nullptr},
        {"", nullptr},
        {"4O4: буква", nullptr},
    };
    for (const auto &k : cases) {
        const QString text = QString::fromUtf8(k.text);
        if (k.message)
            EXPECT_EQ(ProjectErrorMessage(text), QString::fromUtf8(k.message)) << k.text;
        else
            EXPECT_THROW(ProjectErrorMessage(text), AppError) << k.text;
    }
}
