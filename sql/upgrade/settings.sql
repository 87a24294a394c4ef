-- The department's own settings, one value per name: what every printed and exported
-- timesheet carries at its top ("organisation", "department"). Full access sets them in the
-- program ("Реквизиты…" in the timesheet windows); a database without this table prints the
-- timesheets with an empty heading.
--
-- Adds the table to a database made before it existed; safe to run again: the values already
-- there stay.
SET client_min_messages TO warning; -- no notice when the table is there already
CREATE TABLE IF NOT EXISTS accounts_dep.settings (
    name  varchar(50) PRIMARY KEY,
    value varchar(255) NOT NULL DEFAULT ''
);

-- The program's groups (sql/upgrade/roles.sql), where they are made: everyone reads the
-- settings, only full access changes them.
DO $$
BEGIN
    IF EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'tabel_read')
       AND EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'tabel_full') THEN
        GRANT SELECT ON accounts_dep.settings TO tabel_read;
        GRANT INSERT, UPDATE, DELETE ON accounts_dep.settings TO tabel_full;
    END IF;
END $$;
