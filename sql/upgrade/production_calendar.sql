-- The production calendar: per date, the facts that make it a day off or a working day
-- other than its weekday says. A date without a row is a working day from Monday to Friday
-- and a day off on Saturday and Sunday. The four facts are independent: a Saturday worked
-- in place of a moved day off can be shortened before a holiday as well.
--
-- Adds the table to a database made before it existed and fills in 2024–2026; safe to run
-- again: a date already there (corrected in the program's calendar window) is left as it is.
SET client_min_messages TO warning; -- no notice when the table is there already
CREATE TABLE IF NOT EXISTS accounts_dep.production_calendar (
    d_day      date PRIMARY KEY,
    b_holiday  boolean NOT NULL DEFAULT false, -- a public holiday (non-working)
    b_day_off  boolean NOT NULL DEFAULT false, -- a day off moved here from another date
    b_work_day boolean NOT NULL DEFAULT false, -- a working day moved here from a weekend
    b_short    boolean NOT NULL DEFAULT false  -- a working day one hour shorter before a holiday
);

INSERT INTO accounts_dep.production_calendar (d_day, b_holiday, b_day_off, b_work_day, b_short)
SELECT d, bool_or(fact = 'holiday'), bool_or(fact = 'off'), bool_or(fact = 'work'),
       bool_or(fact = 'short')
FROM (
    -- public holidays: 1–8 January, 23 February, 8 March, 1 and 9 May, 12 June, 4 November
    SELECT make_date(y, m, d), 'holiday'
    FROM generate_series(2024, 2026) AS y,
         (VALUES (1, 1), (1, 2), (1, 3), (1, 4), (1, 5), (1, 6), (1, 7), (1, 8), (2, 23),
                 (3, 8), (5, 1), (5, 9), (6, 12), (11, 4)) AS h(m, d)
    UNION ALL
    SELECT day::date, fact FROM (VALUES
        -- 2024: 248 working days, 1979 hours at 40 hours a week
        ('2024-04-29', 'off'), ('2024-04-30', 'off'), ('2024-05-10', 'off'),
        ('2024-12-30', 'off'), ('2024-12-31', 'off'),
        ('2024-04-27', 'work'), ('2024-11-02', 'work'), ('2024-12-28', 'work'),
        ('2024-02-22', 'short'), ('2024-03-07', 'short'), ('2024-05-08', 'short'),
        ('2024-06-11', 'short'), ('2024-11-02', 'short'),
        -- 2025: 247 working days, 1972 hours
        ('2025-05-02', 'off'), ('2025-05-08', 'off'), ('2025-06-13', 'off'),
        ('2025-11-03', 'off'), ('2025-12-31', 'off'),
        ('2025-11-01', 'work'),
        ('2025-03-07', 'short'), ('2025-04-30', 'short'), ('2025-06-11', 'short'),
        ('2025-11-01', 'short'),
        -- 2026: 247 working days, 1972 hours
        ('2026-01-09', 'off'), ('2026-03-09', 'off'), ('2026-05-11', 'off'),
        ('2026-12-31', 'off'),
        ('2026-04-30', 'short'), ('2026-05-08', 'short'), ('2026-06-11', 'short'),
        ('2026-11-03', 'short')
    ) AS moved(day, fact)
) AS facts(d, fact)
GROUP BY d
ON CONFLICT (d_day) DO NOTHING;

-- The program's groups (sql/upgrade/roles.sql), where they are made: everyone reads the
-- calendar, only full access changes it.
DO $$
BEGIN
    IF EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'tabel_read')
       AND EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'tabel_full') THEN
        GRANT SELECT ON accounts_dep.production_calendar TO tabel_read;
        GRANT INSERT, UPDATE, DELETE ON accounts_dep.production_calendar TO tabel_full;
    END IF;
END $$;
