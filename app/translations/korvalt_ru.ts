<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>korvalt</name>
    <message>
        <source>Find text</source>
        <translation>Поиск текста</translation>
    </message>
    <message>
        <source>Text to &amp;find</source>
        <translation>&amp;Искать текст</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Параметры</translation>
    </message>
    <message>
        <source>&amp;Case sensitive</source>
        <translation>&amp;Учитывать регистр</translation>
    </message>
    <message>
        <source>Origin</source>
        <translation>Начать с</translation>
    </message>
    <message>
        <source>&amp;1st page</source>
        <translation>&amp;первой страницы</translation>
    </message>
    <message>
        <source>Current &amp;page</source>
        <translation>&amp;текущей страницы</translation>
    </message>
    <message>
        <source>&amp;Page width</source>
        <translation>По &amp;ширине страницы</translation>
    </message>
    <message>
        <source>&amp;Whole page</source>
        <translation>&amp;Страница целиком</translation>
    </message>
    <message>
        <source>&amp;Two pages</source>
        <translation>&amp;Две страницы</translation>
    </message>
    <message>
        <source>Close preview</source>
        <translation>Закрыть просмотр</translation>
    </message>
    <message>
        <source>Scale</source>
        <translation>Масштаб</translation>
    </message>
    <message>
        <source>Open report</source>
        <translation>Открыть отчёт</translation>
    </message>
    <message>
        <source>Save report</source>
        <translation>Сохранить отчёт</translation>
    </message>
    <message>
        <source>Print report</source>
        <translation>Печать отчёта</translation>
    </message>
    <message>
        <source>Edit page</source>
        <translation>Изменить страницу</translation>
    </message>
    <message>
        <source>Add page</source>
        <translation>Добавить страницу</translation>
    </message>
    <message>
        <source>Delete page</source>
        <translation>Удалить страницу</translation>
    </message>
    <message>
        <source>Show help</source>
        <translation>Справка</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Печать</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>Принтер</translation>
    </message>
    <message>
        <source>Properties</source>
        <translation>Свойства</translation>
    </message>
    <message>
        <source>Copies</source>
        <translation>Копии</translation>
    </message>
    <message>
        <source>Page range</source>
        <translation>Страницы</translation>
    </message>
    <message>
        <source>&amp;All</source>
        <translation>&amp;Все</translation>
    </message>
    <message>
        <source>Current pa&amp;ge</source>
        <translation>&amp;Текущая</translation>
    </message>
    <message>
        <source>&amp;Pages:</source>
        <translation>&amp;Номера:</translation>
    </message>
    <message>
        <source>Enter page numbers and/or page ranges, separated by commas. For example, 1,3,5-12</source>
        <translation>Введите номера страниц и/или диапазоны через запятую, например: 1,3,5-12</translation>
    </message>
    <message>
        <source>&amp;Name:</source>
        <translation>&amp;Имя:</translation>
    </message>
    <message>
        <source>Number of &amp;copies:</source>
        <translation>&amp;Число копий:</translation>
    </message>
    <message>
        <source>Co&amp;llate</source>
        <translation>&amp;Разобрать по копиям</translation>
    </message>
    <message>
        <source>P&amp;rint</source>
        <translation>&amp;Печатать</translation>
    </message>
    <message>
        <source>All pages</source>
        <translation>Все страницы</translation>
    </message>
    <message>
        <source>Odd pages</source>
        <translation>Нечётные страницы</translation>
    </message>
    <message>
        <source>Even pages</source>
        <translation>Чётные страницы</translation>
    </message>
    <message>
        <source>TXT export options</source>
        <translation>Параметры экспорта в текст</translation>
    </message>
    <message>
        <source>&amp;Kill empty lines</source>
        <translation>&amp;Убрать пустые строки</translation>
    </message>
    <message>
        <source>Convert to &amp;DOS</source>
        <translation>Перевести в &amp;DOS</translation>
    </message>
    <message>
        <source>Export &amp;frames</source>
        <translation>Выводить &amp;рамки</translation>
    </message>
    <message>
        <source>Use DOS &amp;pseudographic</source>
        <translation>&amp;Псевдографика DOS</translation>
    </message>
    <message>
        <source>Insert page &amp;breaks</source>
        <translation>&amp;Разрывы страниц</translation>
    </message>
    <message>
        <source>Scaling factor</source>
        <translation>Масштабный множитель</translation>
    </message>
    <message>
        <source>CSV export options</source>
        <translation>Параметры экспорта в CSV</translation>
    </message>
    <message>
        <source>&amp;CSV delimiter</source>
        <translation>&amp;Разделитель CSV</translation>
    </message>
    <message>
        <source>RTF export options</source>
        <translation>Параметры экспорта в RTF</translation>
    </message>
    <message>
        <source>Export &amp;pictures</source>
        <translation>Выводить &amp;рисунки</translation>
    </message>
    <message>
        <source>Convert to &amp;table</source>
        <translation>В виде &amp;таблицы</translation>
    </message>
    <message>
        <source>HTML export options</source>
        <translation>Параметры экспорта в HTML</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Page</source>
        <translation>Стр.</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Текст</translation>
    </message>
    <message>
        <source>Number</source>
        <translation>Число</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Дата</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Время</translation>
    </message>
    <message>
        <source>Boolean</source>
        <translation>Логический</translation>
    </message>
    <message>
        <source>from</source>
        <translation>из</translation>
    </message>
    <message>
        <source>An error occured during calculating</source>
        <translation>Ошибка при вычислении</translation>
    </message>
    <message>
        <source>Report:</source>
        <translation>Отчёт:</translation>
    </message>
    <message>
        <source>Object:</source>
        <translation>Объект:</translation>
    </message>
    <message>
        <source>Preparing report</source>
        <translation>Построение отчёта</translation>
    </message>
    <message>
        <source>Performing 1st pass:</source>
        <translation>Первый проход:</translation>
    </message>
    <message>
        <source>Processing page:</source>
        <translation>Обработка страницы:</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Ошибка</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Просмотр</translation>
    </message>
    <message>
        <source>Printing page:</source>
        <translation>Печать страницы:</translation>
    </message>
    <message>
        <source>Untitled</source>
        <translation>Без имени</translation>
    </message>
    <message>
        <source>Printer selected is not valid</source>
        <translation>Выбранный принтер недоступен</translation>
    </message>
    <message>
        <source>Report file</source>
        <translation>Файл отчёта</translation>
    </message>
    <message>
        <source>ASCII Text file</source>
        <translation>Текстовый файл</translation>
    </message>
    <message>
        <source>Rich Text file</source>
        <translation>Файл RTF</translation>
    </message>
    <message>
        <source>CSV File</source>
        <translation>Файл CSV</translation>
    </message>
    <message>
        <source>HTML file</source>
        <translation>Файл HTML</translation>
    </message>
    <message>
        <source>Font...</source>
        <translation>Шрифт...</translation>
    </message>
    <message>
        <source>Unsupported RPF format</source>
        <translation>Неподдерживаемый формат RPF</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Открыть</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Сохранить</translation>
    </message>
    <message>
        <source>Setup</source>
        <translation>Страница</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Найти</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
    <message>
        <source>PDF file</source>
        <translation>Файл PDF</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Пароль</translation>
    </message>
    <message>
        <source>Enter password for opening report</source>
        <translation>Введите пароль для открытия отчёта</translation>
    </message>
    <message>
        <source>Retype password for validate</source>
        <translation>Повторите пароль для проверки</translation>
    </message>
    <message>
        <source>Variable formatting</source>
        <translation>Формат переменной</translation>
    </message>
    <message>
        <source>Decimal digits</source>
        <translation>Знаков после запятой</translation>
    </message>
    <message>
        <source>Frac delimiter</source>
        <translation>Разделитель дробной части</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>Формат</translation>
    </message>
    <message>
        <source>[None]</source>
        <translation>[Нет]</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Другой</translation>
    </message>
    <message>
        <source>Black</source>
        <translation>Чёрный</translation>
    </message>
    <message>
        <source>Maroon</source>
        <translation>Бордовый</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Зелёный</translation>
    </message>
    <message>
        <source>Olive</source>
        <translation>Оливковый</translation>
    </message>
    <message>
        <source>Navy</source>
        <translation>Тёмно-синий</translation>
    </message>
    <message>
        <source>Purple</source>
        <translation>Пурпурный</translation>
    </message>
    <message>
        <source>Teal</source>
        <translation>Сине-зелёный</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>Серый</translation>
    </message>
    <message>
        <source>Silver</source>
        <translation>Серебристый</translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Красный</translation>
    </message>
    <message>
        <source>Lime</source>
        <translation>Лаймовый</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Жёлтый</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Синий</translation>
    </message>
    <message>
        <source>Fuchsia</source>
        <translation>Фуксия</translation>
    </message>
    <message>
        <source>Aqua</source>
        <translation>Голубой</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Белый</translation>
    </message>
    <message>
        <source>MoneyGreen</source>
        <translation>Светло-зелёный</translation>
    </message>
    <message>
        <source>SkyBlue</source>
        <translation>Небесно-голубой</translation>
    </message>
    <message>
        <source>Cream</source>
        <translation>Кремовый</translation>
    </message>
    <message>
        <source>MedGray</source>
        <translation>Средне-серый</translation>
    </message>
    <message>
        <source>ActiveBorder</source>
        <translation>Граница активного окна</translation>
    </message>
    <message>
        <source>ActiveCaption</source>
        <translation>Заголовок активного окна</translation>
    </message>
    <message>
        <source>AppWorkSpace</source>
        <translation>Рабочая область</translation>
    </message>
    <message>
        <source>Background</source>
        <translation>Рабочий стол</translation>
    </message>
    <message>
        <source>BtnFace</source>
        <translation>Поверхность кнопки</translation>
    </message>
    <message>
        <source>BtnHighlight</source>
        <translation>Блик кнопки</translation>
    </message>
    <message>
        <source>BtnShadow</source>
        <translation>Тень кнопки</translation>
    </message>
    <message>
        <source>BtnText</source>
        <translation>Текст кнопки</translation>
    </message>
    <message>
        <source>CaptionText</source>
        <translation>Текст заголовка</translation>
    </message>
    <message>
        <source>GradientActiveCaption</source>
        <translation>Градиент активного заголовка</translation>
    </message>
    <message>
        <source>GradientInactiveCaption</source>
        <translation>Градиент неактивного заголовка</translation>
    </message>
    <message>
        <source>GrayText</source>
        <translation>Недоступный текст</translation>
    </message>
    <message>
        <source>Highlight</source>
        <translation>Выделение</translation>
    </message>
    <message>
        <source>HighlightText</source>
        <translation>Выделенный текст</translation>
    </message>
    <message>
        <source>HotLight</source>
        <translation>Ссылка</translation>
    </message>
    <message>
        <source>InactiveBorder</source>
        <translation>Граница неактивного окна</translation>
    </message>
    <message>
        <source>InactiveCaption</source>
        <translation>Заголовок неактивного окна</translation>
    </message>
    <message>
        <source>InactiveCaptionText</source>
        <translation>Текст неактивного заголовка</translation>
    </message>
    <message>
        <source>InfoBk</source>
        <translation>Фон подсказки</translation>
    </message>
    <message>
        <source>InfoText</source>
        <translation>Текст подсказки</translation>
    </message>
    <message>
        <source>Menu</source>
        <translation>Меню</translation>
    </message>
    <message>
        <source>MenuText</source>
        <translation>Текст меню</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Нет</translation>
    </message>
    <message>
        <source>ScrollBar</source>
        <translation>Полоса прокрутки</translation>
    </message>
    <message>
        <source>3DDkShadow</source>
        <translation>Тёмная тень</translation>
    </message>
    <message>
        <source>3DLight</source>
        <translation>Светлая грань</translation>
    </message>
    <message>
        <source>Window</source>
        <translation>Окно</translation>
    </message>
    <message>
        <source>WindowFrame</source>
        <translation>Рамка окна</translation>
    </message>
    <message>
        <source>WindowText</source>
        <translation>Текст окна</translation>
    </message>
    <message>
        <source>Grey</source>
        <translation>Серый </translation>
    </message>
</context>
</TS>
