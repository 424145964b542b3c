<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU" sourcelanguage="ru_RU">
<context>
    <name>Convert</name>
    <message>
        <source>Инициализация</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Нет файла Symbol.ini</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Нет файла Default.ini</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Нет файла View.ini</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Нет файла Command.ini</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DumpImage</name>
    <message>
        <source>Блок %1 дампа получен без данных!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Блок %1 дампа получен не из памяти программ (устройство %2)!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Блок %1 дампа получен с номером %2 вместо %3!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Получен лишний блок дампа: всего блоков %1!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MAboutForm</name>
    <message>
        <source>About</source>
        <translation>О программе</translation>
    </message>
    <message>
        <source>Kelo ассистент.
Программа для тестирования
ККТ &quot;Kelo Vint Ф&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Версия</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>© ООО «Морване», 2017
Россия, г. Москва</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Версия %1 сборка %2 от %3</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MArchiveModel</name>
    <message>
        <source>Ошибка: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>да</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>нет</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>—</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Номер</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Тип</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Дата и время</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Итог</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ФП</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ОФД</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MArchivePage</name>
    <message>
        <source>Документы с</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>по</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>«последнего»: до последнего документа, о котором сообщает ФН.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>последнего</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Прочитать</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Экспорт…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Тип:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Даты с</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>dd.MM.yyyy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Не подтвержденные ОФД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Найти №:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>—</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Печать</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HTML</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>JSON</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Текст</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Все</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MBuiltinEmulator</name>
    <message>
        <source>Эмулятор ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Эмулятор ККТ недоступен в этой системе.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MJournalDocumentModel</name>
    <message>
        <source>подтверждён</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>не подтверждён</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Номер ФД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Тип</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Дата и время</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Итог</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ФП</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ОФД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ККТ</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MJournalPage</name>
    <message>
        <source>Журнал обслуживания не открыт.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Поиск:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>заводской номер, ИНН, регистрационный номер или номер ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Список ККТ в CSV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ККТ в JSON</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Весь журнал в JSON</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Заводской №</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Модель</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ИНН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>РН ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Номер ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Последний визит</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Визитов</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Документов</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Время</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Визит / операция</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Результат</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Визиты</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Номера ФД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Даты</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Документы</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Резервные копии настроек</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Файл</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Размер, байт</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MD5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Дампы</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Список вкладки в CSV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Обновить</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ФН:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Номера с</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>все</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>по</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Даты с</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Открыть на странице ОФД/ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HTML</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>JSON</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Текст</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сохранить документ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Копия A:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Копия B:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Только различия</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Таблица</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ряд</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Поле</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Значение A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Значение B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Журнал обслуживания: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Визит: %1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ИНН %1, РН %2, ФН %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ошибок: %1; </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>✗ %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 – %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Выберите документ в списке.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Документ %1 не найден в журнале.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>это не файл таблиц настроек ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Копия %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Резервных копий настроек этой ККТ в журнале нет.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 «%2»</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Полей: %1, различаются: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ошибка записи файла %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сохранено в файл: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Файлы CSV (*.csv)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Все файлы (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Список «%1» в CSV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Визит</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Порт</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Программа</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Время операции</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Операция</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Успешно</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>да</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>нет</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Выберите ККТ в списке.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ККТ %1 из журнала в JSON</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Журнал обслуживания в JSON</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Файлы JSON (*.json)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сохранение документа %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Файлы %1 (*.%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>окно программы</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MLogViewForm</name>
    <message>
        <source>Протокол работы</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save log...</source>
        <translation>Сохранить протокол...</translation>
    </message>
    <message>
        <source>Clear log</source>
        <translation>Очистить протокол</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
</context>
<context>
    <name>MMainForm</name>
    <message>
        <source>Связь</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Состояние</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Регистрация</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сервис</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Смена и документы</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ОФД/ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Параметры СОМ порта</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>СОМ порт:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Скорость:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Таймаут:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> мс.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Пароль:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Модель ККТ:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Заводской номер ККТ:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Регистрационный номер ККТ:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ИНН пользователя:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Заводской номер ФН:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Проверить связь</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Получить состояние ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сбросить состояние ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Данные для регистрации</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Порядковый номер ККТ:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Регистрационный номер:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Рассчитать</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Проверить</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Системы налогообложения</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ОСН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Общая</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>УСН доход</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Упрощенная Доход</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>УСН доход-расход</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Упрощенная Доход минус Расход</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ЕНВД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Единый налог на вмененный доход</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Единый сельскохозяйственный налог</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Патент</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Патентная система налогообложения</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Код:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Режимы работы</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Шифрование</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Автономный</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Автоматический</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сфера услуг</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>БСО</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Интернет плат. агенты</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Интернет банк. агенты</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Регистрация ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Изменение параметров в связи с заменой ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Изменение параметров без замены ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Начать регистрацию</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Выполнить регистрацию ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Причина: Замена ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Причина: Замена ОФД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Причина: Изменение реквизитов</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Причина: Изменение настроек ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Перерегистрация ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Дополнительно</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Получить заводской № ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Закрытие архива ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Параметры регистрации</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Пользователь</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Наименование пользователя:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Адрес расчетов:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Оператор фискальных данных</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Наименование ОФД:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ИНН ОФД:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Адрес сайта ОФД:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Адрес сайта ФНС:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Обмен с ОФД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Размер буфера:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Таймер С:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> с.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Таймер ФН:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Прочитать из ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Записать в ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Параметры ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Налоговые ставки</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Налог 1:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Налог 2:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Налог 3:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Налог 4:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сервер ОФД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Адрес сервера:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Порт:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Обнулять денежную наличность при закрытии смены</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сервисные операции</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Тех обнуление</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Общий сброс</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Очистка рабочих данных ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Полная очистка ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сброс состояния ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Работа со временем в ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Время в ККТ:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Новое время:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Взять из системы</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Установить в ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Подтвердить дату</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Заводской номер ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Заводской №:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Записать в ККТ (в.1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Записать в ККТ (в.2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Работа с дампом ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Считать дамп ПО из ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Рассчитать MD5 для файла дампа</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сравнить 2 файла дампов</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Открытие смены</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Закрытие смены</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Печать отчета без закрытия смены</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Печать отчета о состоянии расчетов</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Печатать реквизиты</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Получить состояние смены</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Параметры товара</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Наименование:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Стоимость:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> руб.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Количество:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Налоговая группа:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Нет налога</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Группа 1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Группа 2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Группа 3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Группа 4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Скидка/наценка:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Нет скидок/наценок</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Скидка</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Наценка</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сумма скидки/наценки:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Текст скидки/наценки:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Параметры документа</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Тип документа:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Приход</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Расход</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Возврат прихода</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Возврат расхода</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Наличными:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Безналичными:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Электронный адрес:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Текст для чека:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Расширенное закрытие чека</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Операции с документом</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Открыть документ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Добавить позицию</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сторно</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Добавить скидку/наценку</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сторно скидки/наценки</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Добавить электронный адрес</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Завершить документ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отменить документ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Чек коррекции</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отмена документа в ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>№ ФД:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Получение документа из ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Получение подтверждения от ОФД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Запрос статуса обмена с ОФД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Запрос количества неподтвержденных документов</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Запросить итоги регистрации ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Запрос статуса ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Запрос срока действия ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Запрос номера ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Запрос версии ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Распечатать...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сохранить данные на диск...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Прервать</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Результат операции:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ООО «Морване»
г. Москва</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Меню</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kelo Assistant - Тестовое ПО для ККТ &quot;Kelo-Vint-Ф&quot; - версия %1 сборка %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Некорректное закрытие программы.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Предупреждение:

Для корректного закрытия программы нажмите кнопку &quot;Меню&quot; и далее кнопку &quot;Выход&quot;.
Или кпопку &quot;Выход из программы&quot;, расположенную ниже этого текста.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Выход из программы</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Не заданы параметры СОМ порта!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Соединение...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ошибка открытия СОМ порта!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ошибка соединения!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Добро пожаловать в тестовое ПО для ККТ &quot;Kelo-Vint-Ф&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ошибок нет.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Идет выполнение команды. Ждите..</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>НДС 18%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>НДС 10%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>НДС 0%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>НДС не облагается</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Торт Прага</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Номер верный.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Номер неверный!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ошибка типа устройства.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kelo-Vint-Ф</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Тест выполнен. Модель: %1. Тип: %3. Заводской №: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%2 %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Регистрация ККТ (0)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Замена ФН (1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Замена ОФД (2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Изменение реквизитов (3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Изменение настроек ККТ (4)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Документ прочитан не полностью (элементов: %1, байт: %2).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Статус обмена с ОФД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Количество неподтвержденных документов от ОФД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ФД без квитанции ОФД:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Дата:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Время:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Квитанция:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Номер ФД:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Итоги регистрации ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Время/Дата:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ИНН:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Код налогообложения:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Режим работы:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Код причины перерегистрации:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Фискальный признак:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Срок действия ФН:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Выбор имени файла для сохранения данных ФД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Текущий путь:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Имя файла:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Тип файла:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Выбрать</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HTML файлы (*.html)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Текстовые файлы (*.txt)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Все файлы (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Данные сохранены в файл &lt;%1&gt;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ошибка открытия файла &lt;%1&gt;!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Версия ПО ККТ:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сборка ПО ККТ:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Дата ПО ККТ:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Номер текущего документа:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Заводской номер:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Заводской номер 1:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Заводской номер 2:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Флаги ККТ [%1%2]:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Режим/подрежим ККТ [%1/%2]:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Запрос типа устройства</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Тип устройства:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Подтип устройства:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Версия протокола:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Подверсия протокола:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Модель устройства:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Язык устройства [%1]:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Название устройства:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Статус информационного обмена с ОФД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Документов без квитанции ОФД:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Информация по ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Статус ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Запрос статуса ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Фаза жизни ФН [%1]:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Текущий документ [%1]:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Данные документа [%1]:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Состояние смены [%1]:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Флаги предупреждения:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Номер ФН:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Номер последнего ФД:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Статус информационного обмена:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>    Соединение установлено:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>    Есть сообщения для передачи ОФД:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>    Ожидание квитанции от ОФД:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>    Есть команда от ОФД:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>    Изменились настройки соединения с ОФД:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>    Ожидание ответа на команду от ОФД:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>да</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>нет</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Состояние чтения сообщения:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Количество сообщений для ОФД:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Первый документ для ОФД:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Номер</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Дата</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Время</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Версия ФН:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Тип ПО ФН [%1]:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Режим не определен.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Выдача данных.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Открытая смена, 24 часа не кончились.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Открытая смена, 24 часа кончились.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Закрытая смена.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Блокировка по неправильному паролю налогового инспектора.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ожидание подтверждения ввода даты.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Разрешение изменения положения десятичной точки.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Открытый документ.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Режим разрешения технологического обнуления.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Тестовый прогон.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Печать полного фискального отчета.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Работа с фискальным подкладным документом.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Печать подкладного документа.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Фискальный подкладной документ сформирован.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Бумага есть.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Пассивное отсутствие бумаги.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Активное отсутствие бумаги.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>После активного отсутствия бумаги.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Фаза печати операции полных фискальных отчетов.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Фаза печати операции.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Подрежим не определен.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Русский.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Язык не определен.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Проведена настройка ФН/</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Открыт фискальный режим/</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Закрыт постфискальный режим/</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Закончена передача фискальных данных в ОФД/</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Нет открытого документа.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отчет о регистрации ККТ.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отчет об открытии смены.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Кассовый чек.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отчет о закрытии смены.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отчет о закрытии фискального режима.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Бланк строкой отчетности.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отчет об изменении параметров регистрации ККТ в связи с заменой ФН.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отчет об изменении параметров регистрации ККТ.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Кассовый чек коррекции.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>БСО коррекции.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отчет о текущем состоянии расчетов.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Документ не определен.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Нет данных документа.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Получены данные документа.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Не определены данные документа.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cмена закрыта.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cмена открыта.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Состояние смены не определено.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отладочная версия.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Рабочая (серийная) версия.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Версия не определена.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Номер кассира:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отчет без закрытия смены</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Неподтвержденных документов:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Дата первого документа:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отчет о состоянии расчетов</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Номер смены:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Номер документа:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Не выбран тип скидки/наценки!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Адрес покупателя:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Номер чека:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Данная функция не реализована!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Недостаточно параметров для расчета регистрационного номера!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ошибка получения заводского номера.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Не удалось прочитать из ККТ параметров: %1 из %2. %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Результат сравнения: дампы полностью совпадают.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ошибка сравнения: размер дампов различный!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ошибка сравнения: содержимое дампов различно!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ошибка чтения дампа из файла: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сравнение дампов прервано пользователем.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Заводской номер должен содержать от 1 до 16 цифр и не быть нулевым!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Выбор имени файла для дампа из ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Идет загрузка данных. Всего %1 блоков. Ждите...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ошибка записи дампа в файл: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Дамп считан и записан в файл: %2. MD5: [%1]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MD5: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Выбор файла дампа для расчета MD5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Расчет MD5 прерван пользователем.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Дамп считан из файла: %2. MD5: [%1]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Выбор первого файла дампа</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Выбор второго файла дампа</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Последовательный порт ККТ. Можно ввести путь к устройству или адрес ККТ в сети: хост:порт.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Поиск ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Найти ККТ на всех портах и скоростях</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ЕСХН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Операции со сменой</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Выбрана ККТ на порту %1, скорость %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Чек: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Дата и время:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Итого:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сдача:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Чек закрыт</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Наименование товара: не задано.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Чек аннулирован</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ИНН пользователя: нужно 10 или 12 цифр с верным контрольным числом.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Заводской номер ККТ: нужно от 1 до 16 цифр.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Регистрационный номер ККТ: нужно 16 цифр.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>В ФН будут навсегда записаны ИНН %1, регистрационный номер %2 и системы налогообложения: %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>не выбраны</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Закрытие архива ФН навсегда завершит его фискальный режим: в этот ФН больше не будет записан ни один документ.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сброс состояния ФН (код %1) необратимо удалит данные, записанные в ФН.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Получение подтверждения для документа #%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Документ, начатый в ФН, будет отменён.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Нет данных для сохранения.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Соединение с ККТ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Подтверждение</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Продолжить?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Да</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Нет</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Соединение отменено.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Технологическое обнуление вернёт все таблицы и регистры ККТ к заводским значениям.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Общий сброс обнулит все денежные и операционные регистры ККТ.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>В ККТ будет записан заводской номер %1; обычно его можно записать только один раз.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сохранение настроек ККТ в файл</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Загрузка настроек ККТ из файла</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Файлы настроек (*.json)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Таблицы</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Архив ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>В ФН нет документов с номерами от %1 до %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>оценивается</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 из %2, осталось %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Чтение прервано перед документом %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Чтение прервано на документе %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Связь с ККТ потеряна на документе %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Прочитано документов: %1 из %2, с ошибкой: %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Нет прочитанных документов для экспорта.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Выбор папки для экспорта документов</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ошибка записи файла %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Экспортировано документов: %1 (уже были в папке: %2), не экспортировано: %3, не подтверждено ОФД: %4.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Программа работает без журнала; файл не изменён.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Журнал обслуживания недоступен: файл %1 не является журналом этой программы. %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Журнал обслуживания недоступен: файл %1 повреждён. %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Журнал обслуживания недоступен: файл %1 занят другой программой. %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Журнал обслуживания недоступен: файл %1 записан более новой версией программы. %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Журнал обслуживания недоступен: файл %1 не удаётся создать или открыть. Программа работает без журнала.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Журнал обслуживания не открыт.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Журнал</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Документ %1 из журнала обслуживания (ФН %2, ККТ %3).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Документ %1 в журнале обслуживания повреждён: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Журнал обслуживания: запись в файл %1 не удалась, записи этого визита могут быть неполными.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MMenuForm</name>
    <message>
        <source>System menu</source>
        <translation>Системное меню</translation>
    </message>
    <message>
        <source>О программе</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Протокол работы</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Выход</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MReceiptSoFar</name>
    <message>
        <source>Сторно: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Скидка</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Надбавка</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Итого:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MSearchForm</name>
    <message>
        <source>Поиск ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Поиск ККТ на всех портах и скоростях...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Порт</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Скорость</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Модель</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Название</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Заводской номер</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Остановить</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Выбрать</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>не проверен: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Поиск остановлен.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ККТ не найдена.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Найдено ККТ: %1. Выберите строку, чтобы подставить порт и скорость.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MStrForText</name>
    <message>
        <source>&lt;/body&gt;&lt;/html&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-size:10pt; font-weight:600;&quot;&gt;%1&lt;/span&gt;&lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;br /&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;table border=&quot;0&quot; style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px;&quot; cellspacing=&quot;2&quot; cellpadding=&quot;0&quot;&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;/table&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;tr&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;/tr&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;td bgcolor=&quot;#f0f0f0&quot; style=&quot; vertical-align:top; padding-left:5; padding-right:5; padding-top:5; padding-bottom:5;&quot;&gt;&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:3px; margin-right:3px; -qt-block-indent:0; text-indent:0px; font-weight:200;&quot;&gt;&lt;a name=&quot;col1&quot;&gt;&lt;/a&gt;&lt;span style=&quot; background-color:#f0f0f0;&quot;&gt;%1&lt;/span&gt;&lt;/p&gt;&lt;/td&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;td bgcolor=&quot;#ffcc55&quot; style=&quot; vertical-align:top; padding-left:5; padding-right:5; padding-top:5; padding-bottom:5;&quot;&gt;&lt;p align=&quot;right&quot; style=&quot; margin-top:0px; margin-bottom:3px; margin-left:3px; margin-right:0px; -qt-block-indent:0; text-indent:0px; font-weight:600;&quot;&gt;&lt;a name=&quot;col2&quot;&gt;&lt;/a&gt;&lt;span style=&quot; background-color:#ffcc55;&quot;&gt;%1&lt;/span&gt;&lt;/p&gt;&lt;/td&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;!DOCTYPE HTML PUBLIC &quot;-//W3C//DTD HTML 4.0//EN&quot; &quot;http://www.w3.org/TR/REC-html40/strict.dtd&quot;&gt;&lt;html&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;p, li { white-space: pre-wrap; }&lt;/style&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;style type=&quot;text/css&quot;&gt;p, li { white-space: pre-wrap; }&lt;/style&gt;&lt;/head&gt;&lt;body style=&quot; font-family:&apos;SansSerif&apos;; font-size:10pt; font-weight:400; font-style:normal;&quot;&gt;</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MTLVDocument</name>
    <message>
        <source>налоговая группа товара</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>автоматический режим</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>автономный режим</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>адрес банковского агента</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>адрес банковского субагента</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>адрес оператора по переводу денежных средств</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>адрес платежного агента</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>адрес платежного субагента</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>адрес покупателя</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>адрес расчетов</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>размер вознаграждения банковского агента (субагента)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>размер вознаграждения платежного агента (субагента)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>дата, время</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>заводской номер ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>значение типа строка</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>значение типа целое</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ИНН оператора по переводу денежных средств</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ИНН ОФД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ИНН пользователя</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>информационное cообщение</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>итог</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>кассир</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>код ответа ОФД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>количество</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>наименование банковского агента</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>наименование банковского субагента</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>наименование оператора по переводу денежных средств</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>наименование платежного агента</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>наименование платежного субагента</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>наименование реквизита</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>наименование товара</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>наличными</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>налог:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>налоги:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>наценка (ставка)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>наценка (сумма)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>номер автомата</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>регистрационный номер ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>номер смены</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>зарезервирован</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>номер фискального документа</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>заводской номер накопителя</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>номер чека</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>общая стоимость позиции с учетом скидок и наценок</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>операция банковского агента</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>операция банковского субагента</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ОФД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>параметр настройки:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>пользователь</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>почтовый индекс</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>признак исчерпания ресурса ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>признак необходимости срочной замены ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>признак переполнения памяти ФН</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>признак превышения времени ожидания ответа ОФД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>признак расчета</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>признак системы налогообложения</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>признак шифрования</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>применение платежными агентами (субагентами)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>применение банковскими агентами (субагентами)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>реквизиты товара:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>сайт налогового органа</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>сайт ОФД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>системы налогообложения</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>скидка (ставка)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>скидка (сумма)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>сокращенное наименование налога</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>сообщение</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>сообщение оператора для ККТ:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>сообщение оператора для ФН:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>сообщение оператору:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ставка налога</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>сторно товара:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>сумма налога</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>телефон банковского агента</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>телефон платежного агента</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>телефона оператора по переводу денежных средств</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>тип сообщения</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>фискальный признак документа</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>фискальный признак оператора</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>цена за единицу</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>штриховой код EAN13</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>электронными</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>телефон банковского субагента</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>телефон платежного субагента</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>дополнительный реквизит пользователя:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>наименование дополнительного реквизита</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>значение дополнительного реквизита</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>количество непереданных ФД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>дата и время первого из непереданных ФД</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>код причины перерегистрации</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>сумма НДС чека поставке 10%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>сумма расчета по чеку с НДС поставке 0%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>сумма расчета по чеку без НДС</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>сумма НДС чека по расч. ставке 18/118</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>сумма НДС чека по расч. ставке 10/110</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>признак ККТ для расчетов только в Интернет</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>признак расчетов за услуги</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>признак АС БСО</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>общее количество ФД за смену</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>скидка/наценка:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>номер первого непереданного документа</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>адрес электронной почты отправителя чека</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>количество кассовых чеков (БСО) за смену</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отчёт о фискализации</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отчёт об открытии смены</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Кассовый чек</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>БСО</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отчёт о закрытии смены</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отчёт о закрытии фискального накопителя</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Подтверждение оператора</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отчёт об изменении параметров регистрации</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Отчета о текущем состоянии расчетов</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Кассовый чек коррекции</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>БСО коррекции</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Приход</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Возврат прихода</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Расход</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Возврат расхода</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Общая, </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Упрощенная доход, </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Упрощенная доход минус расход, </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Единый налог на вмененный доход, </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Единый сельскохозяйственный налог, </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Патентная система налогообложения, </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Тип документа</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Фискальный документ (ФД) из фискального накопителя (ФН)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>сумма НДС чека по ставке 18%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>тег %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (неполное значение)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (недопустимая длина %2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>НДС 18%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>НДС расч. 18/118</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MTableFieldDelegate</name>
    <message>
        <source>Поле %1 «%2»: текст до %3 байт.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Поле %1 «%2»: число от %3 до %4.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Осталось байт: %1 из %2.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MTablesPage</name>
    <message>
        <source>№</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Название</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Рядов</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Полей</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Таблица не выбрана.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Значение не принято: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Таблицы ККТ:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Прочитать</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Записать изменения</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Сохранить настройки в файл</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Загрузить настройки из файла</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Чтение таблиц прервано пользователем.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Чтение списка таблиц...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Таблиц в ККТ: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Чтение таблицы %1...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Таблица %1 «%2» прочитана.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Таблица %1 не прочитана.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Таблица %1 «%2»: рядов %3, полей %4.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Изменено, не записано. В ККТ: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Изменённых ячеек в таблице: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ряд %1, поле «%2»: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Записано ячеек: %1, не записано: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Изменённых ячеек нет.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Запись прервана пользователем.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Чтение всех таблиц ККТ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ошибка записи файла %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Настройки сохранены в файл: %1 (таблиц: %2, значений: %3).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Таблица %1 «%2», ряд %3, поле «%4»: %5 → %6</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Файл %1 не принят, ничего не записано: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Пропущено полей, которые ККТ ведёт сама: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Настройки в ККТ совпадают с файлом, ничего не записано.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>... и ещё %1 (все — в подробностях).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Загрузка настроек отменена, ничего не записано.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Изменения, не записанные в ККТ, будут потеряны: ячеек %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Не записываются поля, которые ККТ ведёт сама (пропущено: %1):</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Из файла %1 в ККТ будут записаны значения, которые отличаются (в ККТ → в файле): %2.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MTapeForm</name>
    <message>
        <source>Лента ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Что напечатала эмулируемая ККТ</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainProc</name>
    <message>
        <source>Нет описания ошибки</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Неизвестная ошибка</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>[%1]: %2!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error connect: %1 (%2)!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TestFp</name>
    <message>
        <source>Error parse command!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bad command number!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exec command: %1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error parse command params!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error in param %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No connect!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error command execute: %1 (%2)!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Parameter %1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Parameter %1 &quot;%2&quot; is one too many: command %3 takes %4 parameters</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> (a text with a comma goes between double quotes)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is %2 bytes long, its field holds %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 &quot;%2&quot; is not hexadecimal bytes: two hex digits a byte, such as 01 or 2A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is %2 hexadecimal digits long, its field holds %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The parameters take %1 bytes, command %2 holds %3</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>WaitForm</name>
    <message>
        <source>Wait</source>
        <translation>Ожидание</translation>
    </message>
    <message>
        <source>Wait...</source>
        <translation>Подождите...</translation>
    </message>
    <message>
        <source>Terminate</source>
        <translation>Прервать</translation>
    </message>
</context>
<context>
    <name>ZiRivoro</name>
    <message>
        <source>Ошибка драйвера </source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ZiRivoroLog</name>
    <message>
        <source>%1: send data: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Service and test tool for the &quot;Kelo-Vint-Ф&quot; cash register.</source>
        <translation>Сервисная и тестовая программа для ККТ &quot;Kelo-Vint-Ф&quot;.</translation>
    </message>
    <message>
        <source>Show this help and end.</source>
        <translation>Показать эту справку и завершить работу.</translation>
    </message>
    <message>
        <source>Show the version and end.</source>
        <translation>Показать версию и завершить работу.</translation>
    </message>
    <message>
        <source>Preselect this serial port or device.</source>
        <translation>Выбрать этот последовательный порт или устройство.</translation>
    </message>
    <message>
        <source>Work with the built-in register emulator (kept in Data/emulator.json).</source>
        <translation>Работать со встроенным эмулятором ККТ (хранится в Data/emulator.json).</translation>
    </message>
    <message>
        <source>Save a picture of every page into the directory once the register is identified, then end.</source>
        <translation>Сохранить снимок каждой страницы в каталог после опознания ККТ и завершить работу.</translation>
    </message>
    <message>
        <source>correct</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>incorrect</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Starting...</source>
        <translation>Запуск...</translation>
    </message>
    <message>
        <source>Unknown options ignored: %1
</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ops</name>
    <message>
        <source>таблица %1, ряд %2, поле %3 «%4»</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ops::DumpReader</name>
    <message>
        <source>Ошибка получения размера дампа!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Считывание дампа прервано пользователем.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ошибка чтения блока %1 дампа: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ops::FnDocumentReader</name>
    <message>
        <source>Элемент %1 документа получен без тега и значения!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Элемент %1 документа (тег %2) получен не полностью: %3 байт из %4!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Документ длиннее %1 элементов или %2 байт: прочитаны первые %3 элементов (%4 байт).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Чтение документа прервано пользователем.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ops::RegisterBackup</name>
    <message>
        <source>это не файл таблиц настроек ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>неизвестная версия файла %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>нет номера модели ККТ</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>нет списка таблиц</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>таблиц больше %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>таблица без номера от 1 до %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>таблица %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 указана дважды</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: нет числа рядов от 0 до 65535</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: полей больше 255</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, поле %2: тип не number и не text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, поле %2: недопустимый размер</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, поле %2: нет границ значения</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 рядов значений вместо %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, ряд %2: %3 значений вместо %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, ряд %2, поле %3: значение не того типа</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>файл больше %1 байт</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>не JSON (%1 на байте %2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>не объект JSON</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ops::RegisterConnector</name>
    <message>
        <source>. Порт принадлежит группе «%1»: добавьте себя в неё командой «sudo usermod -aG %1 $USER» и войдите в систему заново.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ops::SettingsTables</name>
    <message>
        <source>Чтение таблиц прервано пользователем.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Таблица %1: ответ без числа рядов и полей.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Таблица %1, поле %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: ответ без типа и размера поля.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: неизвестный тип поля %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: недопустимый размер поля %2 байт.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: ответ без границ значения.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: минимум %2 больше максимума %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>В таблице %1 нет поля %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Таблица %1, ряд %2, поле %3: получено %4 байт из %5.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ККТ не назвала свою модель.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Не записано: запись прервана.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Не записано: нет связи с ККТ.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Прочитано обратно «%1» вместо «%2».</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Поле «%1»</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: нужен текст.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: текст с нулевым символом.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: в тексте есть знаки, которых нет в кодировке Windows-1251.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: текст длиннее %2 байт (%3 байт в Windows-1251).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: нужно число от %2 до %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: значение %2 вне диапазона %3..%4.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Поле «%1»: «%2» не число; нужно число от %3 до %4.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Файл снят с ККТ модели %1 (%2), а подключена модель %3 (%4).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Таблицы %1 «%2» в ККТ нет.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Таблица %1 в файле «%2», %3 рядов, %4 полей; в ККТ «%5», %6 рядов, %7 полей.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Таблица %1, поле %2: в файле «%3», %4, %5 байт; в ККТ «%6», %7, %8 байт.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
